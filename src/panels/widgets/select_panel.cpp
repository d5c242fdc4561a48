#include "panels/widgets/select_panel.h"

#include <algorithm>

#include "panels/widgets/device_key_button.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::widgets {
namespace {

constexpr uint32_t kBandFill = 0x403399FF;
constexpr uint32_t kBandBorder = 0xFF3399FF;

// Closed rectangles meet when they share at least one point (a click is a
// rectangle of no size).
bool Meets(const skin::Rect& a, const skin::Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom &&
           !b.IsEmpty();
}

}  // namespace

CSelectPanelUI::~CSelectPanelUI() {
    if (GetManager()) GetManager()->RemoveMessageFilter(this);
}

std::string CSelectPanelUI::GetClass() const {
    return "SelectPanelUI";
}

void* CSelectPanelUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CVerticalLayoutUI::GetInterface(name);
}

void CSelectPanelUI::SetManager(skin::CPaintManagerUI* manager, skin::CControlUI* parent,
                                bool init) {
    if (GetManager() && GetManager() != manager) GetManager()->RemoveMessageFilter(this);
    skin::CVerticalLayoutUI::SetManager(manager, parent, init);
    if (manager) manager->AddMessageFilter(this);
}

skin::Rect CSelectPanelUI::SelectionRect() const {
    return skin::Rect{std::min(anchor_.x, current_.x), std::min(anchor_.y, current_.y),
                      std::max(anchor_.x, current_.x), std::max(anchor_.y, current_.y)};
}

bool CSelectPanelUI::FilterInput(const skin::InputEvent& event) {
    using Type = skin::InputEvent::Type;
    switch (event.type) {
        case Type::MouseDown:
            if (event.button == skin::MouseButton::Left && IsVisible() && IsEnabled() &&
                GetPos().Contains(event.point)) {
                dragging_ = true;
                anchor_ = current_ = event.point;
                Invalidate();
            }
            break;
        case Type::MouseMove:
            if (dragging_) {
                current_ = event.point;
                Invalidate();
            }
            break;
        case Type::MouseUp:
            if (dragging_ && event.button == skin::MouseButton::Left) {
                current_ = event.point;
                Finish();
            }
            break;
        case Type::WindowFocusOut:
            if (dragging_) {
                dragging_ = false;
                Invalidate();
            }
            break;
        default:
            break;
    }
    return false;
}

void CSelectPanelUI::Finish() {
    dragging_ = false;
    const skin::Rect band = SelectionRect();
    for (int i = 0; i < GetCount(); ++i) {
        auto* key = static_cast<CDeviceKeyButtonUI*>(
            GetItemAt(i) ? GetItemAt(i)->GetInterface(CDeviceKeyButtonUI::kElementName) : nullptr);
        if (key) key->SetKeySelected(Meets(band, key->GetPos()));
    }
    Invalidate();
    if (GetManager()) GetManager()->SendNotify(this, kSelectEnd);
}

void CSelectPanelUI::DoPaint(cairo_t* cr, const skin::Rect& dirty) {
    skin::CVerticalLayoutUI::DoPaint(cr, dirty);
    if (!dragging_) return;
    const skin::Rect band = SelectionRect();
    skin::FillRect(cr, band, kBandFill);
    skin::DrawBorder(cr, band, kBandBorder, 1);
}

}  // namespace kelno::widgets
