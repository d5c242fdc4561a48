#pragma once
// The window messages of a capture: one per capture mode and source, as
// the main window routes them. Each carries a HookEvent as wParam.

#include <cstdint>
#include <optional>

#include "platform/input/input_capture.h"

namespace kelno::hook {

// Capture modes: what the captured input is for.
inline constexpr int32_t kModeSingleKey = 1;     // one key for the key assignment panel
inline constexpr int32_t kModeHitKey = 2;        // a key hit, taken and dropped
inline constexpr int32_t kModeRecord = 4;        // appended to the macro
inline constexpr int32_t kModeInsertBefore = 8;  // before the selected action
inline constexpr int32_t kModeInsertAfter = 16;  // after the selected action
inline constexpr int32_t kModeReplace = 32;      // into the selected action
// Modes that carry mouse buttons: the four macro modes.
bool ModeTakesMouse(int32_t mode);

inline constexpr uint32_t kMsgKeySingleKey = 0xC010;
inline constexpr uint32_t kMsgKeyHitKey = 0xC011;
inline constexpr uint32_t kMsgKeyMacro = 0xC012;
inline constexpr uint32_t kMsgKeyMacroPrevious = 0xC013;
inline constexpr uint32_t kMsgKeyMacroLater = 0xC014;
inline constexpr uint32_t kMsgKeyMacroSingle = 0xC015;
// Sent for the three mouse-side key modes (256, 512, 1024); nobody takes them.
inline constexpr uint32_t kMsgMouseSingleKey = 0xC016;
inline constexpr uint32_t kMsgMouseHitKey = 0xC017;
inline constexpr uint32_t kMsgMouseKeyMacro = 0xC018;
inline constexpr uint32_t kMsgMouseMacro = 0xC019;
inline constexpr uint32_t kMsgMouseMacroPrevious = 0xC01A;
inline constexpr uint32_t kMsgMouseMacroLater = 0xC01B;
inline constexpr uint32_t kMsgMouseMacroSingle = 0xC01C;
// The capture ended by itself (display gone, keyboard taken away).
inline constexpr uint32_t kMsgCaptureLost = 0xC01D;

// The message of a key (mouse false) or mouse-button event in `mode`;
// nothing for a mode that sends nothing (its keys are swallowed all the same).
std::optional<uint32_t> HookMessageFor(int32_t mode, bool mouse);
// The capture mode of a macro message, keyboard or mouse; 0 for the others.
int32_t MacroModeOfMessage(uint32_t message);

// One captured event, stamped with the capture it belongs to, so an event
// that arrives after its capture ended is recognised and dropped.
struct HookEvent {
    uint64_t generation = 0;
    input::CapturedInput input;
};

}  // namespace kelno::hook
