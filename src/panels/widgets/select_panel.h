#pragma once
// CSelectPanelUI ("SelectPanel"): a column whose DeviceKeyButton children
// can be selected with a rubber band. Pressing the left button inside the
// panel starts the rectangle, moving grows it (it is painted while
// dragged), releasing marks every DeviceKeyButton child whose rectangle
// meets it as selected and every other one as not selected, then raises
// "click_select_end". The panel watches input through a message filter, so
// the key buttons still receive their own clicks.

#include "skin/layout/layouts.h"

namespace kelno::widgets {

class CSelectPanelUI : public skin::CVerticalLayoutUI, public skin::IMessageFilterUI {
  public:
    static constexpr const char* kElementName = "SelectPanel";
    static constexpr const char* kSelectEnd = "click_select_end";

    ~CSelectPanelUI() override;
    std::string GetClass() const override;  // "SelectPanelUI"
    void* GetInterface(std::string_view name) override;
    void SetManager(skin::CPaintManagerUI* manager, skin::CControlUI* parent,
                    bool init = true) override;
    void DoPaint(cairo_t* cr, const skin::Rect& dirty) override;

    bool FilterInput(const skin::InputEvent& event) override;

    bool IsDragging() const { return dragging_; }
    // The rectangle between the press point and the current point.
    skin::Rect SelectionRect() const;

  private:
    void Finish();

    bool dragging_ = false;
    skin::Point anchor_;
    skin::Point current_;
};

}  // namespace kelno::widgets
