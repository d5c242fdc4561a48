// Every text id the skin and the code use has a text in every language the
// language list offers, and the language files hold the same ids.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/ui/language_manager.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "keys/key_names.h"
#include "panels/message_texts.h"
#include "skin/core/attribute_values.h"
#include "skin/core/xml_document.h"
#include "update/downloader.h"
#include "update/update_check.h"

namespace kelno::app::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSkin = KELNO_SKIN_DIR;
const fs::path kDefaultData = KELNO_DEFAULT_DATA_DIR;

bool IsLayoutFile(const fs::path& file) {
    const std::string name = file.filename().string();
    return file.extension() == ".xml" && name != "res.xml" && name.rfind("lan_", 0) != 0;
}

// Text ids of one layout element tree: "textid" values, and "text" and
// "tooltip" of elements whose texts are ids ("resourcetext").
void CollectIds(const skin::XmlNode& node, std::set<std::string>& ids) {
    if (const std::string* id = node.Attribute("textid")) ids.insert(*id);
    const std::string* resourceText = node.Attribute("resourcetext");
    if (resourceText && skin::ParseBool(*resourceText).value_or(false)) {
        for (const char* name : {"text", "tooltip"})
            if (const std::string* id = node.Attribute(name); id && !id->empty()) ids.insert(*id);
    }
    for (const skin::XmlNode& child : node.children) CollectIds(child, ids);
}

void CollectLightNames(const Json::Value& value, std::set<std::string>& ids) {
    if (value.isObject()) {
        for (const std::string& key : value.getMemberNames()) {
            if (key == "LightName" && value[key].isString()) ids.insert(value[key].asString());
            CollectLightNames(value[key], ids);
        }
    } else if (value.isArray()) {
        for (const Json::Value& item : value) CollectLightNames(item, ids);
    }
}

// Ids the program's code shows besides the panels' messages (message boxes, device pages, tab
// items, power indicator, the title bar's light switch).
const std::vector<std::string>& CodeIds() {
    static const std::vector<std::string> ids = {
        "message_text_2",           "message_text_4",
        "message_text_6",           "close_text",
        "Repeat_Delay_Time",        "Repeat_input_text",
        "mouse_cursor_text",        "mouse_move_to_up_text",
        "mouse_move_to_down_text",  "mouse_move_to_left_text",
        "mouse_move_to_right_text", "kb_device_name_text",
        "ms_device_name_text",      "hard_mp_device_name_text",
        "soft_mp_device_name_text", "hd_device_name_text",
        "hub_device_name_text",     "unknow_device_name_text",
        "Phone_type_iphone",        "Phone_type_samsung",
        "Phone_type_other",         "Phone_type_no_device",
        "control_light_on_text",    "control_light_off_text",
        "nodevice_permission_text", "demo_device_text",
        "update_revealed_text",     "update_reveal_failed_text"};
    return ids;
}

std::set<std::string> UsedIds() {
    std::set<std::string> ids(CodeIds().begin(), CodeIds().end());
    ids.insert(texts::kAll.begin(), texts::kAll.end());
    for (const auto& entry : fs::recursive_directory_iterator(kSkin)) {
        if (!entry.is_regular_file() || !IsLayoutFile(entry.path())) continue;
        skin::XmlParseResult parsed = skin::ParseXmlFile(entry.path().string());
        EXPECT_TRUE(parsed.root) << entry.path() << ": " << parsed.error;
        if (parsed.root) CollectIds(*parsed.root, ids);
    }
    CollectLightNames(ReadJsonFile(kDefaultData / "default_light.json"), ids);
    // The update list's and the settings window's status texts.
    for (int status = 0; status <= static_cast<int>(update::RowStatus::UpdateFailed); ++status) {
        for (bool failed : {false, true})
            ids.insert(update::RowStatusTextKey(static_cast<update::RowStatus>(status), failed));
    }
    for (int status = 0; status <= static_cast<int>(update::WindowStatus::NotConfigured); ++status)
        ids.insert(update::WindowStatusTextKey(static_cast<update::WindowStatus>(status)));
    // Why a download folder was refused.
    for (int failure = 0; failure <= static_cast<int>(update::DownloadFailure::Cancelled);
         ++failure) {
        const auto key =
            update::FolderFailureTextKey(static_cast<update::DownloadFailure>(failure));
        if (key) ids.insert(key);
    }
    for (const keyboard::KeyNameRow& row : keyboard::KeyboardDefaultNameTable())
        ids.insert(std::string(keyboard::kKeyTextPrefix) + row.name);
    return ids;
}

std::set<std::string> LanguageFileIds(const fs::path& file) {
    std::set<std::string> ids;
    skin::XmlParseResult parsed = skin::ParseXmlFile(file.string());
    EXPECT_TRUE(parsed.root) << file << ": " << parsed.error;
    if (!parsed.root) return ids;
    for (const skin::XmlNode& text : parsed.root->children) {
        const std::string* id = text.Attribute("id");
        const std::string* value = text.Attribute("value");
        if (id) {
            ids.insert(*id);
            EXPECT_TRUE((value && !value->empty()) || !text.text.empty()) << *id << " is blank";
        }
    }
    return ids;
}

TEST(TextIdsTest, LanguageListOffersEnglishAndSimplifiedChinese) {
    const std::vector<LanguageEntry> list = ReadLanguageList(kDefaultData / "Language.config");
    ASSERT_GE(list.size(), 2u);
    std::set<std::string> names;
    std::set<int> languageIds;
    for (const LanguageEntry& entry : list) {
        names.insert(entry.name);
        languageIds.insert(entry.id);
        EXPECT_FALSE(entry.text.empty());
        EXPECT_TRUE(fs::is_regular_file(kSkin / entry.file)) << entry.file;
    }
    EXPECT_EQ(languageIds.size(), list.size()) << "each language needs its own id";
    EXPECT_TRUE(names.count("English"));
    EXPECT_TRUE(names.count("Chinese"));
}

TEST(TextIdsTest, EveryUsedIdHasATextInEveryLanguage) {
    const std::set<std::string> used = UsedIds();
    ASSERT_GT(used.size(), 200u) << "the layouts and key table were not read";
    std::optional<std::set<std::string>> first;
    for (const LanguageEntry& entry : ReadLanguageList(kDefaultData / "Language.config")) {
        SCOPED_TRACE(entry.file);
        const std::set<std::string> ids = LanguageFileIds(kSkin / entry.file);
        for (const std::string& id : used) EXPECT_TRUE(ids.count(id)) << "missing " << id;
        if (!first) {
            first = ids;
        } else {
            EXPECT_EQ(ids, *first) << "the language files hold different ids";
        }
    }
}

}  // namespace
}  // namespace kelno::app::test
