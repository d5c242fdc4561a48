#pragma once
// Which handler a control notification goes to: the main window receives
// every notification of its skin (device pages included) and dispatches it
// by notification type and control name. This is the table, as data, and
// its lookup; the handlers are entry points on the classes that own the
// controls.

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelno::app {

enum class Handler : uint8_t {
    // By notification type alone or with one fixed control.
    LogTimer,
    WindowInit,
    WindowSizeChanged,       // "root"
    LightingPaletteColour,   // "deng_Color_Pallet"
    KeyboardKeysSelected,    // "device_key_light" rubber band
    MouseKeysSelected,       // "mouse_device_key_light" rubber band
    StartInputHook,          // focus into the key capture edit
    OpenMacroActionMenu,     // "macro_action"
    // Clicks.
    CloseButton,
    NoDeviceOk,
    ToggleLightControl,
    Minimize,
    Maximize,
    Restore,
    OpenSkinPicker,
    OpenSettingsDocked,
    KeyButton,               // number: the key
    ColourSwatch,            // number: the swatch
    RestoreDefaults,
    ResetKeyRepeat,
    ProfileButton,
    KeyAssignmentButton,
    MacroRecording,
    MacroEditorButton,
    MacroInsertCursorStep,
    RecoilButton,
    LightingPanelButton,
    EqualiserButton,
    // "selectchanged".
    MouseOption,             // number from the name
    MouseSystemOption,
    KeyboardRepeatDelay,     // number from the name
    KeyboardFlag,
    RecoilOption,            // number from the name where it has one
    VoiceChangerOption,      // number from the name where it has one
    EqualiserOption,         // number from the name where it has one
    KeyAssignmentCheck,      // number from the name
    DeviceTabSelected,
    ShowDeviceSubPage,       // number: sub-page 1 to 7
    LightingOption,
    // "valuechanged" / "movevaluechanged".
    DpiSlider,               // number from the name
    DpiSliderMoving,         // number from the name
    SystemSettingSlider,
    LightingSlider,
    EqualiserSlider,         // number from the name where it has one
    // "itemselect".
    ProfileComboSelected,
    LightingList,
    KeyAssignmentList,
    MacroNameList,
    CustomEqList,
    KeyAssignmentPendingChange,
    LanguageSelected,
    // "killfocus".
    DpiEdit,                 // number from the name
    LightingColourEdit,
    StopInputHook,
    RecoilEdit,
    MacroDelayEdited,
};

const char* HandlerName(Handler handler);

struct Route {
    Handler handler;
    int number = -1;  // the control's number for prefix names, the fixed value of a row, or -1
    bool operator==(const Route&) const = default;
};

struct Routing {
    std::vector<Route> routes;      // in the order they run
    bool runDefaultHandling = true; // the skin library's own handling afterwards
};

// Control names compare without regard to case. A prefix name ("key_" +
// n) matches only when the rest is a plain decimal number that fits an int
// ("key_", "key_abc" and "key_-1" match nothing).
Routing RouteNotification(std::string_view type, std::string_view controlName);

}  // namespace kelno::app
