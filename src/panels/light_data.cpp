#include "panels/light_data.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/json_access.h"
#include "core/json_file.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

constexpr int kMaxComponent = 255;
constexpr int kKeyboardKind = 1;

// The element `tableIndex` of the array `key`: an array of objects.
const Json::Value& TableOf(const Json::Value& root, std::string_view key, int tableIndex) {
    return json::Element(json::Member(root, key), tableIndex);
}

// How many entries of a table are read.
int BoundedSize(const Json::Value& table) {
    return table.isArray()
               ? static_cast<int>(std::min<Json::ArrayIndex>(table.size(), kMaxLightModes))
               : 0;
}

}  // namespace

uint32_t PaletteColour(uint8_t red, uint8_t green, uint8_t blue) {
    return 0xFF000000u | (uint32_t{red} << 16) | (uint32_t{green} << 8) | uint32_t{blue};
}

ColourComponents ComponentsOf(uint32_t colour) {
    return {static_cast<uint8_t>((colour >> 16) & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
            static_cast<uint8_t>(colour & 0xFF)};
}

TypedComponent ReadTypedComponent(std::string_view typed) {
    while (!typed.empty() && std::isspace(static_cast<unsigned char>(typed.front())))
        typed.remove_prefix(1);
    while (!typed.empty() && std::isspace(static_cast<unsigned char>(typed.back())))
        typed.remove_suffix(1);
    long long number = 0;
    const char* end = typed.data() + typed.size();
    const auto [stop, error] = std::from_chars(typed.data(), end, number);
    int value = 0;
    if (error == std::errc::result_out_of_range) {
        value = !typed.empty() && typed.front() == '-' ? 0 : kMaxComponent;
    } else if (error == std::errc() && stop == end) {
        value = static_cast<int>(std::clamp<long long>(number, 0, kMaxComponent));
    }
    return {static_cast<uint8_t>(value), std::to_string(value)};
}

LightMaxima LightMaximaForKind(int deviceKind) {
    if (deviceKind == kKeyboardKind) return {24, 5};
    return {4, 4};
}

int LightTableIndexForKind(int deviceKind) {
    switch (deviceKind) {
        case 1:
            return 0;
        case 2:
        case 6:
            return 1;
        case 3:
            return 2;
        case 7:
            return 3;
        default:
            return -1;
    }
}

std::vector<LightModeName> ReadLightModeNames(const std::filesystem::path& file, int tableIndex) {
    const Json::Value root = ReadJsonFile(file);
    const Json::Value& table = TableOf(root, "DefaultLightName", tableIndex);
    std::vector<LightModeName> names;
    for (int i = 0; i < BoundedSize(table); ++i) {
        const Json::Value& entry = json::Element(table, i);
        names.push_back({ToWideText(json::ReadString(entry, "LightName")),
                         json::ReadBool(entry, "visible", false)});
    }
    return names;
}

std::vector<std::string> ReadCustomLightNames(const std::filesystem::path& file, int tableIndex) {
    const Json::Value root = ReadJsonFile(file);
    const Json::Value& table = TableOf(root, "LightInfo", tableIndex);
    std::vector<std::string> names;
    for (int i = 0; i < BoundedSize(table); ++i)
        names.push_back(ToWideText(json::ReadString(json::Element(table, i), "LightName")));
    return names;
}

}  // namespace kelno
