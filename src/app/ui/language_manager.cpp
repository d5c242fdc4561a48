#include "app/ui/language_manager.h"

#include "app/ui/font_table.h"
#include "core/debug_output.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/settings_store.h"
#include "skin/controls/combo.h"
#include "skin/controls/list.h"
#include "skin/core/resource_manager.h"

namespace kelno::app {
namespace {

constexpr int kMaxLanguages = 256;

// A language file named by the list stays inside the skin folder.
bool IsSafeRelativePath(const std::string& file) {
    if (file.empty() || file.find('\0') != std::string::npos) return false;
    std::filesystem::path path(file);
    if (path.is_absolute() || path.has_root_name() || path.has_root_directory()) return false;
    for (const auto& part : path)
        if (part == "..") return false;
    return true;
}

}  // namespace

std::vector<LanguageEntry> ReadLanguageList(const std::filesystem::path& file) {
    using namespace json;
    const Json::Value root = ReadJsonFile(file);
    const Json::Value& list = Member(root, "Language");
    const int count = ReadArraySize(root, "Language", kMaxLanguages);
    std::vector<LanguageEntry> entries;
    for (int i = 0; i < count; ++i) {
        const Json::Value& item = Element(list, i);
        entries.push_back({ReadString(item, "Language_name"), ReadString(item, "Language_file"),
                           ReadInt(item, "Language_ID"), ReadString(item, "Language_text")});
    }
    return entries;
}

CLanguageManager::CLanguageManager(std::filesystem::path languageConfig, SettingsStore& store,
                                   skin::CPaintManagerUI* fonts)
    : config_(std::move(languageConfig)), store_(store), fonts_(fonts) {}

int CLanguageManager::ReadStoredLanguage() const {
    const std::optional<int> id = store_.ReadInt(kLanguageSetting);
    if (!id) return 0;
    const std::vector<LanguageEntry> list = ReadLanguageList(config_);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id == *id) return static_cast<int>(i);
    return 0;
}

bool CLanguageManager::ApplyLanguage(int index) {
    const std::vector<LanguageEntry> list = ReadLanguageList(config_);
    if (index < 0 || static_cast<size_t>(index) >= list.size()) {
        DebugOutputF("language %d is not in the list (%zu entries): ignored", index, list.size());
        return false;
    }
    const LanguageEntry& entry = list[static_cast<size_t>(index)];
    if (!IsSafeRelativePath(entry.file)) {
        DebugOutputF("language file \"%s\" is not a path inside the skin: ignored",
                     entry.file.c_str());
        return false;
    }
    skin::CResourceManager& resources = skin::CResourceManager::GetInstance();
    const std::string previousName = resources.GetLanguage();
    resources.SetLanguage(entry.name);
    if (!resources.LoadLanguage(entry.file)) {
        // The texts loaded before stay, and so does the language they belong to.
        resources.SetLanguage(previousName);
        DebugOutput("language file not loaded: " + resources.GetLastError());
        return false;
    }
    if (fonts_ && FontTableNeedsRebuild(current_, index)) RebuildFontTable(*fonts_);
    current_ = index;
    resources.ReloadText();
    choiceStored_ = store_.WriteInt(kLanguageSetting, entry.id);
    if (!choiceStored_)
        DebugOutput("the language choice could not be stored in " + store_.File().string());
    return true;
}

void CLanguageManager::FillLanguageCombo(skin::CComboUI& combo) const {
    combo.RemoveAll();
    for (const LanguageEntry& entry : ReadLanguageList(config_)) {
        auto* item = new skin::CListLabelElementUI();
        item->SetText(entry.text);
        combo.Add(item);
    }
    combo.SelectItem(current_, false);
}

void CLanguageManager::SetCurrentIndex(int index) {
    const size_t count = ReadLanguageList(config_).size();
    if (index < 0 || static_cast<size_t>(index) >= count) return;
    current_ = index;
}

}  // namespace kelno::app
