#include "app/ui/skin_choice.h"

#include <cstdio>
#include <map>

#include "core/atomic_file.h"
#include "core/json_file.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

constexpr std::string_view kSection = "[SKINIMAGE]";

// The keys of the SKINIMAGE section (other sections are passed over).
std::map<std::string, std::string> SectionKeys(std::string_view text) {
    std::map<std::string, std::string> keys;
    bool inSection = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = skin::TrimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.starts_with('[')) {
            inSection = line == kSection;
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) continue;
        keys[std::string(skin::TrimBlanks(line.substr(0, equals)))] =
            std::string(skin::TrimBlanks(line.substr(equals + 1)));
    }
    return keys;
}

// "#AARRGGBB" only: what FormatSkinFile writes.
std::optional<uint32_t> ParseColour(std::string_view text) {
    if (text.size() != 9 || text.front() != '#') return std::nullopt;
    return skin::ParseColor(text);
}

// A skin image name stays inside the skin folder.
bool IsSkinImageName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.find("..") != std::string_view::npos)
        return false;
    return name.find_first_of("'\"=") == std::string_view::npos;
}

}  // namespace

SkinChoice DefaultSkinChoice() {
    return {SkinChoice::Kind::Default, {false, 0, kDefaultBackground}};
}

SkinChoice BuiltInSkinChoice(std::string image) {
    return {SkinChoice::Kind::BuiltIn, {false, 0, std::move(image)}};
}

SkinChoice ColourSkinChoice(uint32_t colour) {
    return {SkinChoice::Kind::Colour, {true, colour, {}}};
}

SkinChoice CustomSkinChoice(std::string path) {
    return {SkinChoice::Kind::Custom, {false, 0, std::move(path)}};
}

std::string FormatSkinFile(const SkinChoice& choice) {
    std::string text = std::string(kSection) + "\n";
    text += "FLAGS=" + std::to_string(static_cast<int>(choice.kind)) + "\n";
    if (choice.kind == SkinChoice::Kind::Colour) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%08X", choice.param.colour);
        text += std::string("COLOR=") + colour + "\n";
    } else {
        text += "IMAGE=" + choice.param.image + "\n";
    }
    return text;
}

std::optional<SkinChoice> ParseSkinFile(std::string_view text) {
    const auto keys = SectionKeys(text);
    const auto flags = keys.find("FLAGS");
    if (flags == keys.end()) return std::nullopt;
    const auto image = keys.find("IMAGE");
    if (flags->second == "0") return DefaultSkinChoice();
    if (flags->second == "1") {
        if (image == keys.end() || !IsSkinImageName(image->second)) return std::nullopt;
        return BuiltInSkinChoice(image->second);
    }
    if (flags->second == "2") {
        const auto colour = keys.find("COLOR");
        const auto value = colour == keys.end() ? std::nullopt : ParseColour(colour->second);
        if (!value) return std::nullopt;
        return ColourSkinChoice(*value);
    }
    if (flags->second == "3") {
        if (image == keys.end() || !std::filesystem::path(image->second).is_absolute())
            return std::nullopt;
        return CustomSkinChoice(image->second);
    }
    return std::nullopt;
}

bool SaveSkinChoice(const std::filesystem::path& folder, const SkinChoice& choice) {
    // A name with a line break would end the entry early: never written.
    if (choice.param.image.find_first_of("\r\n") != std::string::npos) return false;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return WriteFileAtomically(folder / kSkinFileName, FormatSkinFile(choice)).ok;
}

std::optional<SkinChoice> LoadSkinChoice(const std::filesystem::path& folder) {
    const TextFileRead read = ReadFileTextWithStatus(folder / kSkinFileName);
    if (read.status != FileReadStatus::Read) return std::nullopt;
    return ParseSkinFile(read.text);
}

}  // namespace kelno
