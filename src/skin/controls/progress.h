#pragma once
// CProgressUI shows a value between a minimum and a maximum as a filled
// part (fore image or fore colour). CSliderUI adds a thumb the user drags:
// "movevaluechanged" while dragging, "valuechanged" when the drag ends.

#include "skin/controls/label.h"

namespace kelno::skin {

class CProgressUI : public CLabelUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    int GetMinValue() const { return min_; }
    int GetMaxValue() const { return max_; }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    int GetValue() const { return value_; }
    // Clamped to [min, max]. Programmatic: no notification.
    virtual void SetValue(int value);
    bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool on);

    void SetAttribute(std::string_view name, std::string_view value) override;
    // The fore image (or colour) covers the filled part only.
    void PaintForeImage(cairo_t* cr) override;

  protected:
    // The filled part of the control for the current value.
    Rect FilledRect() const;

  private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    bool horizontal_ = true;
    uint32_t foreColor_ = 0;
};

class CSliderUI : public CProgressUI {
  public:
    bool IsTabStop() const override { return true; }
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    int GetChangeStep() const { return step_; }
    void SetChangeStep(int step);
    // Programmatic: raises "valuechanged" only when `notify` is set.
    void SetValue(int value) override { SetValue(value, false); }
    void SetValue(int value, bool notify);
    Rect GetThumbRect() const;
    bool IsDragging() const { return dragging_; }

    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    // The thumb, drawn over the filled part.
    void PaintForeImage(cairo_t* cr) override;

  private:
    int ValueAt(Point pt) const;

    int step_ = 1;
    Size thumbSize_{10, 10};
    bool dragging_ = false;
    int dragStartValue_ = 0;
    std::string thumbImage_, thumbHotImage_, thumbPushedImage_;
    uint32_t thumbColor_ = 0xFF606060;
};

}  // namespace kelno::skin
