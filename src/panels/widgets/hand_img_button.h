#pragma once
// Picture buttons of the macro and effect lists.
//
// CHandImgButtonUI ("HandImgButton"): its "handimage" picture and a delete
// corner ("deletenormalimage", "deletehotimage", drawn at the picture
// text's dest, by default the top-right 16 x 16). A click on the corner
// raises "click_handdelete" instead of "click"; entering and leaving raise
// "msenter" and "msleave".
//
// CHandImgSelectButtonUI ("HandImgSelectButton"): a selectable picture
// button with a cursor choice ("cursor"). The picture holds two states side
// by side (left half normal, right half selected) and is drawn with the
// source rectangle of the current state; "msenter" and "msleave" as above.

#include "skin/controls/button.h"

namespace kelno::widgets {

inline constexpr const char* kMouseEnterNotify = "msenter";
inline constexpr const char* kMouseLeaveNotify = "msleave";

class CHandImgButtonUI : public skin::CButtonUI {
  public:
    static constexpr const char* kElementName = "HandImgButton";
    static constexpr const char* kDeleteNotify = "click_handdelete";
    static constexpr int kDefaultCornerSize = 16;

    std::string GetClass() const override;  // "HandImgButtonUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(skin::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;

    // The delete corner in window coordinates.
    skin::Rect DeleteRect() const;

  private:
    std::string handImage_;
    std::string deleteNormalImage_;
    std::string deleteHotImage_;
    bool pressedOnCorner_ = false;
};

class CHandImgSelectButtonUI : public skin::CButtonUI {
  public:
    static constexpr const char* kElementName = "HandImgSelectButton";

    std::string GetClass() const override;  // "HandImgSelectButtonUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(skin::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;

    bool IsSelected() const { return selected_; }
    void SetSelected(bool selected);

  private:
    std::string handImage_;
    bool selected_ = false;
};

// Whether a mouse enter or leave should raise msenter / msleave.
void NotifyHover(skin::CControlUI& control, const skin::TEventUI& event);

}  // namespace kelno::widgets
