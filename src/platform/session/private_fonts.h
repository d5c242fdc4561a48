#pragma once
// Fonts shipped in the program's "Font" folder, made available to this
// process only (through fontconfig's application fonts), so the skin's
// typefaces show even when the system lacks them.

#include <filesystem>
#include <string>
#include <vector>

namespace kelno {

// The program's own fonts, in load order.
inline const std::vector<std::string> kPrivateFontFiles = {
    "Simplified_Chinese.ttf", "Vizerave-Regular.otf", "NotoSansThai-Regular.ttf",
    "NotoSansCJKtc-Regular.otf"};

class PrivateFonts {
public:
    // Registers each file of `fileNames` found in `fontFolder`; a missing,
    // unreadable or refused file is skipped.
    PrivateFonts(const std::filesystem::path& fontFolder, const std::vector<std::string>& fileNames);
    // Removes the fonts again.
    ~PrivateFonts();
    PrivateFonts(const PrivateFonts&) = delete;
    PrivateFonts& operator=(const PrivateFonts&) = delete;

    const std::vector<std::filesystem::path>& Loaded() const { return loaded_; }

private:
    std::vector<std::filesystem::path> loaded_;
};

}  // namespace kelno
