#pragma once
// The main window's background as the user chose it in the skin picker: the
// skin's own, a built-in image, a plain colour or a PNG file of their own.
// The choice is announced as a SkinChangedParam and kept in "main.ini" in
// the user's data folder, section "SKINIMAGE", so the next start shows it
// again:
//   FLAGS=0  IMAGE=common/background.png   the default (after a reset)
//   FLAGS=1  IMAGE=<skin image name>       a built-in image
//   FLAGS=2  COLOR=#AARRGGBB               a plain colour
//   FLAGS=3  IMAGE=<full path of a PNG>    the user's own image

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelno {

inline constexpr const char* kSkinFileName = "main.ini";
inline constexpr const char* kDefaultBackground = "common/background.png";

// What the skin picker announces.
struct SkinChangedParam {
    bool isColour = false;
    uint32_t colour = 0;  // ARGB, for a colour
    std::string image;    // skin image name or file path, for an image
    bool operator==(const SkinChangedParam&) const = default;
};

struct SkinChoice {
    enum class Kind { Default = 0, BuiltIn = 1, Colour = 2, Custom = 3 };
    Kind kind = Kind::Default;
    SkinChangedParam param;
    bool operator==(const SkinChoice&) const = default;
};

SkinChoice DefaultSkinChoice();
SkinChoice BuiltInSkinChoice(std::string image);
SkinChoice ColourSkinChoice(uint32_t colour);
SkinChoice CustomSkinChoice(std::string path);

std::string FormatSkinFile(const SkinChoice& choice);
// Nothing for a file that says no valid choice (missing section or keys, an
// unknown flag, a colour that is not #AARRGGBB, a name with line breaks, a
// built-in name that leaves the skin folder, a custom path that is not
// absolute).
std::optional<SkinChoice> ParseSkinFile(std::string_view text);

// In `folder`/main.ini; false when it could not be written (the old file
// stays as it was).
bool SaveSkinChoice(const std::filesystem::path& folder, const SkinChoice& choice);
std::optional<SkinChoice> LoadSkinChoice(const std::filesystem::path& folder);

}  // namespace kelno
