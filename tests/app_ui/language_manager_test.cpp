// The language choice: list, stored id, the resource manager's texts and
// the font table rule.

#include <gtest/gtest.h>

#include "app/ui/font_table.h"
#include "app/ui/language_manager.h"
#include "core/settings_store.h"
#include "skin/controls/combo.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "support/temp_folder.h"

namespace kelno::app {
namespace {

constexpr const char* kConfig = R"({"Language": [
  {"Language_name": "English", "Language_file": "lan_a.xml", "Language_ID": 1033, "Language_text": "English"},
  {"Language_name": "Chinese", "Language_file": "lan_b.xml", "Language_ID": 2052, "Language_text": "简体中文"},
  {"Language_name": "Missing", "Language_file": "lan_missing.xml", "Language_ID": 7, "Language_text": "Missing"},
  {"Language_name": "Outside", "Language_file": "../outside.xml", "Language_ID": 8, "Language_text": "Outside"}
]})";

std::string LanguageFile(const char* greeting) {
    return std::string("<Language><Text id=\"greeting\" value=\"") + greeting + "\"/></Language>";
}

class LanguageManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_.WriteFile("skin/lan_a.xml", LanguageFile("Hello"));
        root_.WriteFile("skin/lan_b.xml", LanguageFile("你好"));
        // Where "../outside.xml" would lead from the skin folder.
        root_.WriteFile("outside.xml", LanguageFile("Outside"));
        skin::CPaintManagerUI::SetResourcePath((root_ / "skin").string());
        skin::CResourceManager::GetInstance().LoadLanguageText(LanguageFile("before"));
    }
    std::string Greeting() const {
        return skin::CResourceManager::GetInstance().GetText("greeting");
    }
    std::optional<int> StoredId() const {
        return SettingsStore(storeFile_).ReadInt(kLanguageSetting);
    }

    test::TempFolder root_;
    std::filesystem::path config_ = root_.WriteFile("DefaultData/Language.config", kConfig);
    std::filesystem::path storeFile_ = root_ / "config/settings.json";
    SettingsStore store_{storeFile_};
    skin::CPaintManagerUI fonts_;
    CLanguageManager languages_{config_, store_, &fonts_};
};

TEST_F(LanguageManagerTest, FirstStartAppliesTheFirstLanguageAndCreatesTheStore) {
    ASSERT_FALSE(std::filesystem::exists(storeFile_));
    const int index = languages_.ReadStoredLanguage();
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(languages_.ApplyLanguage(index));
    EXPECT_EQ(Greeting(), "Hello");
    EXPECT_EQ(skin::CResourceManager::GetInstance().GetLanguage(), "English");
    EXPECT_EQ(StoredId(), 1033);
    // The first language always rebuilds the font table.
    EXPECT_TRUE(fonts_.HasFont(50));
    EXPECT_TRUE(fonts_.GetFont(50).bold);
    EXPECT_EQ(fonts_.GetFont(50).face, kUiFontFace);
    EXPECT_EQ(fonts_.GetDefaultFont().size, 14);
}

TEST_F(LanguageManagerTest, StoredIdSelectsItsIndex) {
    struct Case {
        std::optional<int> stored;
        int index;
    };
    for (const Case& c : {Case{2052, 1}, Case{1033, 0}, Case{4242, 0}, Case{std::nullopt, 0}}) {
        std::filesystem::remove(storeFile_);
        if (c.stored) ASSERT_TRUE(store_.WriteInt(kLanguageSetting, *c.stored));
        EXPECT_EQ(languages_.ReadStoredLanguage(), c.index) << c.stored.value_or(-1);
    }
    // Without a readable list nothing but the first language is possible.
    ASSERT_TRUE(store_.WriteInt(kLanguageSetting, 2052));
    root_.WriteFile("DefaultData/Language.config", "{ not json");
    EXPECT_EQ(languages_.ReadStoredLanguage(), 0);
}

TEST_F(LanguageManagerTest, RefusedLanguagesChangeNothing) {
    ASSERT_TRUE(languages_.ApplyLanguage(1));
    fonts_.AddFont(77, skin::FontInfo{});  // gone if the table were rebuilt
    for (int index : {-1, 4, 99, 2, 3}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(languages_.ApplyLanguage(index));
        EXPECT_EQ(Greeting(), "你好") << "the previous texts stay";
        EXPECT_EQ(StoredId(), 2052) << "the choice is not stored";
        EXPECT_EQ(languages_.GetCurrentIndex(), 1);
        EXPECT_EQ(skin::CResourceManager::GetInstance().GetLanguage(), "Chinese");
        EXPECT_TRUE(fonts_.HasFont(77)) << "the font table stays";
    }
    // Out of range from the combo is ignored too.
    languages_.SetCurrentIndex(9);
    languages_.SetCurrentIndex(-3);
    EXPECT_NE(languages_.GetCurrentIndex(), 9);
    EXPECT_NE(languages_.GetCurrentIndex(), -3);
}

TEST_F(LanguageManagerTest, AChoiceThatCannotBeStoredIsInUseAndSaysSo) {
    ASSERT_TRUE(languages_.ApplyLanguage(0));
    EXPECT_TRUE(languages_.IsChoiceStored());
    // A plain file where the config folder belongs: root writes anywhere else.
    std::filesystem::remove_all(root_ / "config");
    root_.WriteFile("config", "not a folder");
    ASSERT_TRUE(languages_.ApplyLanguage(1));
    EXPECT_FALSE(languages_.IsChoiceStored());
    EXPECT_EQ(Greeting(), "你好");
    std::filesystem::remove(root_ / "config");
    ASSERT_TRUE(languages_.ApplyLanguage(1));
    EXPECT_TRUE(languages_.IsChoiceStored());
    EXPECT_EQ(StoredId(), 2052);
}

TEST_F(LanguageManagerTest, ComboChoiceKeepsTheFontTable) {
    ASSERT_TRUE(languages_.ApplyLanguage(0));
    fonts_.AddFont(77, skin::FontInfo{});  // gone when the table is rebuilt
    languages_.SetCurrentIndex(1);
    ASSERT_TRUE(languages_.ApplyLanguage(1));
    EXPECT_EQ(Greeting(), "你好");
    EXPECT_TRUE(fonts_.HasFont(77));
    // From elsewhere (index 0 differs from the current 1): rebuilt.
    ASSERT_TRUE(languages_.ApplyLanguage(0));
    EXPECT_FALSE(fonts_.HasFont(77));
}

TEST_F(LanguageManagerTest, FillsTheComboAndSelectsTheCurrentLanguage) {
    ASSERT_TRUE(languages_.ApplyLanguage(1));
    skin::CComboUI combo;
    combo.Add(new skin::CListLabelElementUI());  // left from an earlier fill
    languages_.FillLanguageCombo(combo);
    ASSERT_EQ(combo.GetCount(), 4);
    EXPECT_EQ(combo.GetItemAt(0)->GetText(), "English");
    EXPECT_EQ(combo.GetItemAt(1)->GetText(), "简体中文");
    EXPECT_EQ(combo.GetCurSel(), 1);
}

TEST(FontTableTest, RebuildRule) {
    struct Case {
        int current;
        int next;
        bool rebuild;
    };
    for (const Case& c : {Case{-1, 0, true}, Case{-1, 3, true}, Case{0, 0, false},
                          Case{3, 4, false}, Case{3, 1, true}, Case{1, 3, false}, Case{2, 3, true},
                          Case{15, 4, true}, Case{4, 15, true}, Case{1, 1, false}}) {
        EXPECT_EQ(FontTableNeedsRebuild(c.current, c.next), c.rebuild)
            << c.current << " -> " << c.next;
    }
}

TEST(FontTableTest, RebuildLeavesExactlyTheTable) {
    skin::CPaintManagerUI manager;
    manager.AddFont(42, skin::FontInfo{});
    RebuildFontTable(manager, "Test Face");
    EXPECT_FALSE(manager.HasFont(42));
    struct Row {
        int id;
        int size;
        bool bold;
        bool underline;
    };
    for (const Row& row :
         {Row{0, 15, false, false}, Row{1, 14, false, true}, Row{3, 30, false, false},
          Row{8, 12, false, false}, Row{11, 28, false, false}, Row{50, 18, true, false}}) {
        ASSERT_TRUE(manager.HasFont(row.id)) << row.id;
        const skin::FontInfo& font = manager.GetFont(row.id);
        EXPECT_EQ(font.face, "Test Face");
        EXPECT_EQ(font.size, row.size) << row.id;
        EXPECT_EQ(font.bold, row.bold) << row.id;
        EXPECT_EQ(font.underline, row.underline) << row.id;
        EXPECT_FALSE(font.italic);
    }
    EXPECT_FALSE(manager.HasFont(12));
}

}  // namespace
}  // namespace kelno::app
