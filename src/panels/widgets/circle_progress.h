#pragma once
// CCircleProgressUI ("CircleProgress"): a round progress indicator. Inside
// its rectangle a full circle in the background colour, then an arc in the
// foreground colour ("forecolor") from 90 degrees sweeping
// value / (max - min) of the circle.

#include "skin/controls/progress.h"

namespace kelno::widgets {

class CCircleProgressUI : public skin::CProgressUI {
  public:
    static constexpr const char* kElementName = "CircleProgress";

    std::string GetClass() const override;  // "CircleProgressUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintForeImage(cairo_t* cr) override;

    // The swept angle in degrees (0 when the range is empty).
    double SweepDegrees() const;

  private:
    uint32_t arcColour_ = 0xFF3399FF;
};

}  // namespace kelno::widgets
