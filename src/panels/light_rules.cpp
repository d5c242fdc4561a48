#include "panels/light_rules.h"

namespace kelno {
namespace {

const GroupChange kOn{true, std::nullopt};
const GroupChange kOff{false, std::nullopt};
const GroupChange kOffHidden{false, false};
const GroupChange kHidden{std::nullopt, false};
const GroupChange kShown{std::nullopt, true};

// A row's change applied over what the table set up before it.
void Merge(GroupChange& target, const GroupChange& change) {
    if (change.enabled) target.enabled = change.enabled;
    if (change.visible) target.visible = change.visible;
}

// One row: colour group, brightness, speed, direction, same-mode shown.
struct Row {
    GroupChange colour;
    GroupChange brightness;
    GroupChange speed;
    GroupChange direction;
    bool sameMode = false;
    bool singleColourOnly = false;  // multi-colour check off, colour and palette on
};

LightingGroupChanges Apply(LightingGroupChanges c, const Row& row, bool offered) {
    for (GroupChange* group : {&c.multiColourCheck, &c.colourLayout, &c.palette}) Merge(*group, row.colour);
    if (row.singleColourOnly) {
        Merge(c.multiColourCheck, kOff);
        Merge(c.colourLayout, kOn);
        Merge(c.palette, kOn);
    }
    Merge(c.brightness, row.brightness);
    Merge(c.speed, row.speed);
    Merge(c.direction, row.direction);
    if (row.sameMode) c.sameModeButton = offered;
    return c;
}

LightingGroupChanges Keyboard(int mode, bool offered) {
    LightingGroupChanges c;
    c.customLayout = kHidden;
    c.sameModeButton = false;
    c.direction = {true, false};
    // Mode 23 hides brightness and speed; every other mode shows them again.
    c.brightness = kShown;
    c.speed = kShown;
    c.onOffLayout = kHidden;
    const auto row = [&](Row r) { return Apply(c, r, offered); };
    switch (mode) {
        case 1: case 2: case 3: case 4:
            return row({kOff, kOn, kOn, kShown});
        case 5:
            return row({kOff, kOn, kOffHidden, kHidden, true});
        case 6:
            return row({kOff, kOn, kOn, kHidden, true});
        case 7:
            return row({kOff, kOn, kOffHidden, kHidden});
        case 8: case 18:
            return row({kOn, kOn, kOn, kOff});
        case 9: case 10: case 11: case 12: case 13: case 16: case 17: case 19: case 20: case 21:
            return row({kOff, kOn, kOn, kHidden});
        case 14:
            return row({kOn, kOn, kOn, kShown});
        case 22: {
            LightingGroupChanges r = row({kOff, kOn, kOffHidden, kHidden});
            r.customLayout = r.onOffLayout = kShown;
            return r;
        }
        case 23:
            return row({kOff, kOffHidden, kOffHidden, kHidden, true});
        case 24:
            return row({kOff, kOn, kOn, kOff});
        default:
            return row({kOff, kOff, kOff, kOff});
    }
}

LightingGroupChanges Mouse(int mode, bool offered) {
    LightingGroupChanges c;
    c.sameModeButton = false;
    c.direction = kOn;
    const auto row = [&](Row r) { return Apply(c, r, offered); };
    switch (mode) {
        case 0: case 5: return row({kOn, kOn, kOn, kOn});
        case 1: return row({kOff, kOn, kOn, kOff, true});
        case 2: return row({kOn, kOn, kOn, kOn, true});
        case 3: return row({kOff, kOn, kOff, kOff, true, true});
        case 4: return row({kOn, kOn, kOn, kOff, true});
        case 6: case 7: return row({kOff, kOn, kOn, kOff});
        case 8: return row({kOff, kOff, kOff, kOff, true});
        default: return row({kOff, kOff, kOff, kOff});
    }
}

LightingGroupChanges PadOrHeadset(int mode, bool offered) {
    LightingGroupChanges c;
    c.sameModeButton = false;
    c.direction = kOn;
    const auto row = [&](Row r) { return Apply(c, r, offered); };
    switch (mode) {
        case 0: return row({kOn, kOn, kOn, kOn});
        case 1: return row({kOff, kOn, kOn, kOff, true});
        case 2: case 4: return row({kOn, kOn, kOn, kOff, true});
        case 3: return row({kOff, kOn, kOff, kOff, true, true});
        case 8: return row({kOff, kOff, kOff, kOff, true});
        default: return row({kOff, kOff, kOff, kOff});
    }
}

LightingGroupChanges TypeFive(int mode) {
    LightingGroupChanges c;
    const auto set = [&](bool check, bool colour, bool brightness, bool speed) {
        c.multiColourCheck = {check, std::nullopt};
        c.colourLayout = c.palette = {colour, std::nullopt};
        c.brightness = {brightness, std::nullopt};
        c.speed = {speed, std::nullopt};
        return c;
    };
    switch (mode) {
        case 0: case 2: case 3: return set(true, true, true, true);
        case 1: return set(false, true, true, false);
        case 4: return set(false, false, true, true);
        default: return set(false, false, false, false);
    }
}

}  // namespace

LightingGroupChanges LightingRules(int panelType, int mode, bool synchronisationOffered) {
    switch (panelType) {
        case 1: return Keyboard(mode, synchronisationOffered);
        case 2: return Mouse(mode, synchronisationOffered);
        case 3: case 4: case 7: return PadOrHeadset(mode, synchronisationOffered);
        case 5: return TypeFive(mode);
        default: return {};
    }
}

}  // namespace kelno
