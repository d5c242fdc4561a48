#pragma once
// Shared vocabulary of the skin library: notifications, control events,
// key codes, find flags and text styles.

#include <cstdint>
#include <string>

#include "skin/core/geometry.h"
#include "skin/host/window_host.h"

namespace kelno::skin {

class CControlUI;

// A notification from a control to whoever listens (the window, panels).
struct TNotifyUI {
    std::string sType;  // "click", "selectchanged", ... (see notify:: below)
    std::string sVirtualWnd;
    CControlUI* pSender = nullptr;
    uint64_t dwTimestamp = 0;  // milliseconds of the steady clock
    Point ptMouse;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class INotifyUI {
  public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees every input event before the controls do; returning true consumes it.
class IMessageFilterUI {
  public:
    virtual ~IMessageFilterUI() = default;
    virtual bool FilterInput(const InputEvent& event) = 0;
};

// Notification types raised by the library's own controls.
namespace notify {
inline constexpr const char* kClick = "click";
inline constexpr const char* kDblClick = "dbclick";
inline constexpr const char* kSelectChanged = "selectchanged";
inline constexpr const char* kItemSelect = "itemselect";
inline constexpr const char* kItemActivate = "itemactivate";
inline constexpr const char* kItemClick = "itemclick";
inline constexpr const char* kTextChanged = "textchanged";
inline constexpr const char* kReturn = "return";
inline constexpr const char* kValueChanged = "valuechanged";
inline constexpr const char* kMoveValueChanged = "movevaluechanged";
inline constexpr const char* kColorChanged = "colorchanged";
inline constexpr const char* kSetFocus = "setfocus";
inline constexpr const char* kKillFocus = "killfocus";
inline constexpr const char* kTimer = "timer";
inline constexpr const char* kMouseEnter = "mouseenter";
inline constexpr const char* kMouseLeave = "mouseleave";
inline constexpr const char* kMenu = "menu";
inline constexpr const char* kDropDown = "dropdown";
inline constexpr const char* kTabSelect = "tabselect";
inline constexpr const char* kWindowInit = "windowinit";
}  // namespace notify

// Events the paint manager hands to a control's DoEvent.
enum class UiEvent : uint8_t {
    MouseMove,
    MouseLeave,
    MouseEnter,
    MouseHover,
    ButtonDown,
    ButtonUp,
    RButtonDown,
    RButtonUp,
    DblClick,
    ContextMenu,
    ScrollWheel,
    KeyDown,
    KeyUp,
    Char,
    SetFocus,
    KillFocus,
    Timer,
    SetCursor,
};

struct TEventUI {
    UiEvent Type = UiEvent::MouseMove;
    CControlUI* pSender = nullptr;
    uint64_t dwTimestamp = 0;
    Point ptMouse;
    uint32_t chKey = 0;      // keysym for key events
    uint32_t wKeyState = 0;  // Modifier bits
    int wheelDelta = 0;      // +1 up, -1 down
    uintptr_t wParam = 0;    // timer id for Timer
    intptr_t lParam = 0;
    std::string text;  // UTF-8 for Char
};

// Keysyms (X11/GDK values) the controls react to.
namespace keys {
inline constexpr uint32_t kBackSpace = 0xff08;
inline constexpr uint32_t kTab = 0xff09;
inline constexpr uint32_t kReturn = 0xff0d;
inline constexpr uint32_t kEscape = 0xff1b;
inline constexpr uint32_t kHome = 0xff50;
inline constexpr uint32_t kLeft = 0xff51;
inline constexpr uint32_t kUp = 0xff52;
inline constexpr uint32_t kRight = 0xff53;
inline constexpr uint32_t kDown = 0xff54;
inline constexpr uint32_t kPageUp = 0xff55;
inline constexpr uint32_t kPageDown = 0xff56;
inline constexpr uint32_t kEnd = 0xff57;
inline constexpr uint32_t kKpEnter = 0xff8d;
inline constexpr uint32_t kDelete = 0xffff;
}  // namespace keys

// Flags of CControlUI::FindControl.
enum FindFlags : uint32_t {
    UIFIND_ALL = 0,
    UIFIND_VISIBLE = 1u << 0,
    UIFIND_ENABLED = 1u << 1,
    UIFIND_HITTEST = 1u << 2,
    UIFIND_TOP_FIRST = 1u << 3,
    UIFIND_ME_FIRST = 1u << 31,
};

// Text layout flags (DrawText-style).
enum TextStyle : uint32_t {
    DT_LEFT = 0,
    DT_TOP = 0,
    DT_CENTER = 1u << 0,
    DT_RIGHT = 1u << 1,
    DT_VCENTER = 1u << 2,
    DT_BOTTOM = 1u << 3,
    DT_WORDBREAK = 1u << 4,
    DT_SINGLELINE = 1u << 5,
    DT_END_ELLIPSIS = 1u << 6,
};

// Control states used to pick state images.
enum ControlState : uint32_t {
    UISTATE_FOCUSED = 1u << 0,
    UISTATE_SELECTED = 1u << 1,
    UISTATE_DISABLED = 1u << 2,
    UISTATE_HOT = 1u << 3,
    UISTATE_PUSHED = 1u << 4,
    UISTATE_CAPTURED = 1u << 5,
};

}  // namespace kelno::skin
