#pragma once
// CScrollBarUI: the vertical scroll bar of a scrolling container: a track
// with a thumb that can be dragged; a press on the track pages.

#include "skin/core/control.h"

namespace kelno::skin {

class CContainerUI;

class CScrollBarUI : public CControlUI {
  public:
    CScrollBarUI();  // never takes the keyboard focus
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    void SetOwner(CContainerUI* owner) { owner_ = owner; }
    CContainerUI* GetOwner() const { return owner_; }
    int GetScrollRange() const { return range_; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return pos_; }
    // Moves the thumb only; the owner moves the content.
    void SetScrollPos(int pos);
    // The visible length, which sizes the thumb.
    void SetPage(int page);
    Rect GetThumbRect() const;

    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;

  private:
    CContainerUI* owner_ = nullptr;
    int range_ = 0;
    int pos_ = 0;
    int page_ = 0;
    bool dragging_ = false;
    int dragStartY_ = 0;
    int dragStartPos_ = 0;
    uint32_t thumbColor_ = 0xFFA0A0A0;
    uint32_t trackColor_ = 0x20000000;
    std::string thumbImage_;
};

}  // namespace kelno::skin
