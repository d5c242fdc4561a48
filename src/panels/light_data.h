#pragma once
// The plain data behind the lighting panel: colour packing, the reading of
// a typed colour component, the slider maxima per device kind and the
// mode-name files ("default_light.json", the user's light configuration).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelno {

// The colour the skin shows for a component triple (alpha always 0xFF).
uint32_t PaletteColour(uint8_t red, uint8_t green, uint8_t blue);

struct ColourComponents {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const ColourComponents&) const = default;
};
ColourComponents ComponentsOf(uint32_t colour);

// A colour component typed into an edit: decimal, clamped into 0..255
// (negative numbers, empty text and anything that is not a number count
// as the nearest valid value, 0 for text). `text` is what the edit must
// show afterwards.
struct TypedComponent {
    uint8_t value = 0;
    std::string text;
};
TypedComponent ReadTypedComponent(std::string_view typed);

struct LightMaxima {
    int brightness = 0;
    int speed = 0;
};
// Keyboard 24 and 5; every other kind 4 and 4.
LightMaxima LightMaximaForKind(int deviceKind);

// The row of the mode-name files for a device kind: keyboard 0, mouse 1,
// mouse pad 2, headset 3; -1 for other kinds.
int LightTableIndexForKind(int deviceKind);

// Most modes taken from one row of a mode-name file: every one becomes a
// combo item, and a hostile file must not stall the panel.
inline constexpr int kMaxLightModes = 256;

struct LightModeName {
    std::string name;  // display name (a language text id as shipped)
    bool visible = true;
};
// "DefaultLightName"[tableIndex] of a "default_light.json", at most
// kMaxLightModes; empty when the file, key or entry is missing.
std::vector<LightModeName> ReadLightModeNames(const std::filesystem::path& file, int tableIndex);
// "LightInfo"[tableIndex] names of the user's light configuration (the
// keyboard's custom sets), at most kMaxLightModes; empty when missing.
std::vector<std::string> ReadCustomLightNames(const std::filesystem::path& file, int tableIndex);

}  // namespace kelno
