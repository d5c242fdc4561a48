#pragma once
// The user interface language: the list in "Language.config", the choice
// kept in the settings store ("LANGUAGE", the language's Language_ID), the
// resource manager's language file and the font table that goes with it.

#include <filesystem>
#include <string>
#include <vector>

namespace kelno {
class SettingsStore;
}
namespace kelno::skin {
class CComboUI;
class CPaintManagerUI;
}  // namespace kelno::skin

namespace kelno::app {

inline constexpr const char* kLanguageSetting = "LANGUAGE";

struct LanguageEntry {
    std::string name;  // handed to the resource manager
    std::string file;  // language file, relative to the skin folder
    int id = 0;        // what the settings store keeps
    std::string text;  // the entry of "Language_combox"
};

// The "Language" array of a Language.config file; empty when the file is
// missing or not valid JSON.
std::vector<LanguageEntry> ReadLanguageList(const std::filesystem::path& file);

class CLanguageManager {
  public:
    // `fonts` is the paint manager whose font table follows the language
    // (null: fonts are left alone).
    CLanguageManager(std::filesystem::path languageConfig, SettingsStore& store,
                     skin::CPaintManagerUI* fonts);

    // The stored language as an index into the list: 0 when nothing is
    // stored, the list cannot be read or the stored id is not in it.
    int ReadStoredLanguage() const;

    // Makes language `index` current: font table (by FontTableNeedsRebuild),
    // language file into the resource manager, texts reloaded, id stored.
    // False, with nothing changed (texts, language, index, fonts, store),
    // when the index is outside the list, the entry's file is not a plain
    // relative path or the file cannot be loaded.
    bool ApplyLanguage(int index);
    // False when the last applied language could not be stored (it is in use
    // all the same; the next start uses the choice stored before).
    bool IsChoiceStored() const { return choiceStored_; }

    // Fills the combo with the list's texts and selects the current index
    // without a notification.
    void FillLanguageCombo(skin::CComboUI& combo) const;

    // The user picked `index` in the combo: it becomes current before the
    // apply message runs, so that apply keeps the font table. Ignored when
    // outside the list.
    void SetCurrentIndex(int index);
    int GetCurrentIndex() const { return current_; }

  private:
    std::filesystem::path config_;
    SettingsStore& store_;
    skin::CPaintManagerUI* fonts_;
    int current_ = -1;
    bool choiceStored_ = true;
};

}  // namespace kelno::app
