#include "skin/automation/control_probe.h"

#include <algorithm>

#include "core/text_codec.h"
#include "skin/automation/automation_executor.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/controls/list.h"
#include "skin/controls/progress.h"
#include "skin/core/control.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

void Send(const AutomationTarget& target, InputEvent event) {
    target.input->OnHostInput(event);
}

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

void PointerClick(const AutomationTarget& target, int x, int y, bool twice) {
    Send(target, Pointer(InputEvent::Type::MouseMove, x, y));
    Send(target, Pointer(InputEvent::Type::MouseDown, x, y));
    Send(target, Pointer(InputEvent::Type::MouseUp, x, y));
    if (!twice) return;
    Send(target, Pointer(InputEvent::Type::DoubleClick, x, y));
    Send(target, Pointer(InputEvent::Type::MouseUp, x, y));
}

// Turns the wheel over `box` until `item` lies inside it, as a user scrolls a
// list to an item. False when it cannot get there.
bool ScrollIntoView(const AutomationTarget& target, CControlUI* box, CControlUI* item) {
    for (int step = 0; step < 10000; ++step) {
        target.manager->UpdateLayout();
        Rect area = box->GetPos();
        Rect r = item->GetPos();
        if (r.top >= area.top && r.bottom <= area.bottom) return true;
        InputEvent wheel;
        wheel.type = InputEvent::Type::MouseWheel;
        wheel.point = area.Center();
        wheel.wheelDelta = r.top < area.top ? 1 : -1;
        Send(target, wheel);
        target.manager->UpdateLayout();
        if (item->GetPos() == r) return r.Intersect(area) == r;  // nothing moved
    }
    return false;
}

}  // namespace

void ClickCentre(const AutomationTarget& target, CControlUI* control, bool twice) {
    target.manager->UpdateLayout();
    Point c = control->GetPos().Center();
    PointerClick(target, c.x, c.y, twice);
}

ControlSnapshot SnapshotOf(CControlUI* control) {
    ControlSnapshot s;
    s.className = control->GetClass();
    s.visible = IsShownWithParents(control);
    s.enabled = control->IsEnabled();
    s.text = control->GetText();
    if (auto* option = dynamic_cast<COptionUI*>(control)) s.selected = option->IsSelected();
    if (IListItemUI* item = AsListItem(control)) s.selected = item->IsSelected();
    if (auto* owner = dynamic_cast<IListOwnerUI*>(control)) s.cursel = owner->GetCurSel();
    if (auto* combo = dynamic_cast<CComboUI*>(control)) s.items = combo->GetCount();
    if (auto* list = dynamic_cast<CListUI*>(control)) s.items = list->GetCount();
    if (auto* progress = dynamic_cast<CProgressUI*>(control)) s.value = progress->GetValue();
    return s;
}

std::string PickItem(const AutomationTarget& target, CControlUI* control, int64_t index) {
    CPaintManagerUI* pm = target.manager;
    if (!control->IsEnabled()) return "not enabled: " + control->GetName();
    if (auto* combo = dynamic_cast<CComboUI*>(control)) {
        if (index >= combo->GetCount()) return "no item " + std::to_string(index);
        CControlUI* item = combo->GetItemAt(static_cast<int>(index));
        if (!item->IsOwnVisible()) return "item hidden";
        if (!combo->IsDropOpen()) ClickCentre(target, combo, false);
        if (!combo->IsDropOpen() || pm->GetPopup() == nullptr) return "the list did not open";
        if (!ScrollIntoView(target, pm->GetPopup(), item)) return "cannot scroll to the item";
        ClickCentre(target, item, false);
    } else if (auto* list = dynamic_cast<CListUI*>(control)) {
        if (index >= list->GetCount()) return "no item " + std::to_string(index);
        CControlUI* item = list->GetItemAt(static_cast<int>(index));
        if (!item->IsOwnVisible()) return "item hidden";
        pm->UpdateLayout();
        if (!ScrollIntoView(target, list->GetList(), item)) return "cannot scroll to the item";
        ClickCentre(target, item, false);
    } else {
        return "not a combo or list: " + control->GetName();
    }
    auto* owner = dynamic_cast<IListOwnerUI*>(control);
    if (owner->GetCurSel() != index) return "item " + std::to_string(index) + " not selected";
    return {};
}

std::string DragSliderTo(const AutomationTarget& target, CControlUI* control, int64_t value) {
    auto* slider = dynamic_cast<CSliderUI*>(control);
    if (slider == nullptr) return "not a slider: " + control->GetName();
    if (!slider->IsEnabled()) return "not enabled: " + control->GetName();
    if (value < slider->GetMinValue() || value > slider->GetMaxValue())
        return "value out of range " + std::to_string(slider->GetMinValue()) + ".." +
               std::to_string(slider->GetMaxValue());
    target.manager->UpdateLayout();
    const Rect track = slider->GetPos();
    const Rect thumb = slider->GetThumbRect();
    const bool horizontal = slider->IsHorizontal();
    Point at = thumb.Center();
    Send(target, Pointer(InputEvent::Type::MouseMove, at.x, at.y));
    Send(target, Pointer(InputEvent::Type::MouseDown, at.x, at.y));

    // Where the thumb's centre should end, from the track's geometry; then
    // pixel by pixel to the exact value, as a hand corrects a drag.
    long span = std::max(slider->GetMaxValue() - slider->GetMinValue(), 1);
    long part = value - slider->GetMinValue();
    Point goal = at;
    if (horizontal) {
        long travel = track.Width() - thumb.Width();
        goal.x = track.left + thumb.Width() / 2 + static_cast<int>(travel * part / span);
    } else {
        long travel = track.Height() - thumb.Height();
        goal.y = track.bottom - thumb.Height() / 2 - static_cast<int>(travel * part / span);
    }
    constexpr int kSteps = 8;
    Point from = at;
    for (int i = 1; i <= kSteps; ++i) {
        at = {from.x + (goal.x - from.x) * i / kSteps, from.y + (goal.y - from.y) * i / kSteps};
        Send(target, Pointer(InputEvent::Type::MouseMove, at.x, at.y));
    }
    int limit = track.Width() + track.Height();
    for (int i = 0; i < limit && slider->GetValue() != value; ++i) {
        bool up = slider->GetValue() < value;
        int before = slider->GetValue();
        if (horizontal)
            at.x += up ? 1 : -1;
        else
            at.y += up ? -1 : 1;
        Send(target, Pointer(InputEvent::Type::MouseMove, at.x, at.y));
        bool passed = up ? slider->GetValue() > value : slider->GetValue() < value;
        if (passed || (slider->GetValue() == before && !track.Contains(at))) break;
    }
    Send(target, Pointer(InputEvent::Type::MouseUp, at.x, at.y));
    if (slider->GetValue() != value)
        return "slider stopped at " + std::to_string(slider->GetValue());
    return {};
}

bool IsShownWithParents(const CControlUI* control) {
    for (const CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (!c->IsVisible()) return false;
    return control != nullptr;
}

std::string TypeInto(const AutomationTarget& target, CControlUI* control, const std::string& text) {
    if (!control->IsEnabled()) return "not enabled: " + control->GetName();
    // Typed characters are whole UTF-8 sequences; broken bytes would end up
    // in the control's text.
    if (!IsValidUtf8(text)) return "text is not UTF-8";
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
