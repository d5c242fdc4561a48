#include "skin/automation/control_probe.h"

#include "skin/automation/automation_executor.h"
#include "skin/controls/button.h"
#include "skin/core/control.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

void Send(const AutomationTarget& target, InputEvent event) { target.input->OnHostInput(event); }

InputEvent Pointer(InputEvent::Type type, int x, int y) {
    InputEvent e;
    e.type = type;
    e.point = {x, y};
    if (type != InputEvent::Type::MouseMove) e.button = MouseButton::Left;
    return e;
}

// One UTF-8 sequence starting at text[i]; a broken byte counts alone.
size_t Utf8Length(const std::string& text, size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    return i + n <= text.size() ? n : 1;
}

void SendKey(const AutomationTarget& target, uint32_t keysym) {
    InputEvent e;
    e.type = InputEvent::Type::KeyDown;
    e.keyCode = keysym;
    Send(target, e);
    e.type = InputEvent::Type::KeyUp;
    Send(target, e);
}

}  // namespace

ControlSnapshot SnapshotOf(CControlUI* control) {
    ControlSnapshot s;
    s.className = control->GetClass();
    s.visible = IsShownWithParents(control);
    s.enabled = control->IsEnabled();
    s.text = control->GetText();
    if (auto* option = dynamic_cast<COptionUI*>(control)) s.selected = option->IsSelected();
    return s;
}

std::string PickItem(const AutomationTarget&, CControlUI* control, int64_t) {
    return "not a combo or list: " + control->GetName();
}

std::string DragSliderTo(const AutomationTarget&, CControlUI* control, int64_t) {
    return "not a slider: " + control->GetName();
}

bool IsShownWithParents(const CControlUI* control) {
    for (const CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (!c->IsVisible()) return false;
    return control != nullptr;
}

void SendClick(const AutomationTarget& target, int x, int y, bool twice) {
    Send(target, Pointer(InputEvent::Type::MouseMove, x, y));
    Send(target, Pointer(InputEvent::Type::MouseDown, x, y));
    Send(target, Pointer(InputEvent::Type::MouseUp, x, y));
    if (!twice) return;
    Send(target, Pointer(InputEvent::Type::DoubleClick, x, y));
    Send(target, Pointer(InputEvent::Type::MouseUp, x, y));
}

std::string TypeInto(const AutomationTarget& target, CControlUI* control, const std::string& text) {
    if (!control->IsEnabled()) return "not enabled: " + control->GetName();
    CPaintManagerUI* pm = target.manager;
    pm->SetFocus(control);
    if (pm->GetFocus() != control) return "cannot focus " + control->GetName();
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8Length(text, i);
        if (text[i] == '\n') {
            SendKey(target, keys::kReturn);
        } else if (text[i] != '\r') {
            InputEvent typed;
            typed.type = InputEvent::Type::Char;
            typed.text = text.substr(i, n);
            Send(target, typed);
        }
        i += n;
    }
    pm->SetFocus(nullptr);
    return {};
}

}  // namespace kelno::skin
