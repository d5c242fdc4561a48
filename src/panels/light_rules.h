#pragma once
// Which groups of the lighting panel are usable for a device kind and
// lighting mode, as data. The panel applies the result to its controls.

#include <optional>

namespace kelno {

// Changes to one group of controls; an empty field leaves that state as it is.
struct GroupChange {
    std::optional<bool> enabled;
    std::optional<bool> visible;
    bool operator==(const GroupChange&) const = default;
};

struct LightingGroupChanges {
    GroupChange multiColourCheck;  // "deng_7color_check"
    GroupChange colourLayout;      // "deng_color_layout"
    GroupChange palette;           // "colorpallet_layout"
    GroupChange brightness;        // "deng_light_layout"
    GroupChange speed;             // "deng_speed_layout"
    GroupChange direction;         // "deng_fx_layout"
    GroupChange customLayout;      // "lightcustom_layout"
    GroupChange onOffLayout;       // "deng_on_or_off"
    std::optional<bool> sameModeButton;  // "deng_same_mode" visible
    bool operator==(const LightingGroupChanges&) const = default;
};

// The rule table of a panel type (the device kind: 1 keyboard, 2 mouse,
// 3 mouse pad, 7 headset; 4 and 5 have tables too, anything else changes
// nothing) for a mode. The same-mode button is shown only where the row
// shows it and synchronisation is offered (two or more devices connected).
LightingGroupChanges LightingRules(int panelType, int mode, bool synchronisationOffered);

}  // namespace kelno
