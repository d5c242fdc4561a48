#pragma once
// How the action list shows one event: the language text id of its name,
// the number beside pointer moves and the skin styles of both labels.

#include <string>

#include "macros/macro_event.h"

namespace kelno {

struct MacroEventDisplay {
    std::string nameTextId;      // empty when no table row names the event
    std::string nameStyle;       // empty for types the editor does not style
    std::string directionStyle;  // down / up, or plain text for types 2 to 5
    bool showsNumber = false;    // pointer moves (types 4 and 5) show their distance
    int number = 0;
};

inline constexpr const char* kMacroKeyboardLabelStyle = "macro_label_keyboard_style";
inline constexpr const char* kMacroMouseLabelStyle = "macro_label_mouse_style";
inline constexpr const char* kMacroDownLabelStyle = "macro_label_down_style";
inline constexpr const char* kMacroUpLabelStyle = "macro_label_up_style";
inline constexpr const char* kMacroTextLabelStyle = "macro_label_text_style";

MacroEventDisplay DescribeMacroEvent(const MacroEvent& event);

// The text id alone: keys and modifiers from the keyboard default table,
// mouse buttons and pointer moves from the mouse event table.
std::string MacroEventNameTextId(const MacroEvent& event);

}  // namespace kelno
