#pragma once
// CColorPaletteUI: a colour field (hue across, saturation down) above a
// brightness bar. The user picks by pressing or dragging; "colorchanged"
// is raised when the press ends with a new colour.

#include "skin/core/control.h"

namespace kelno::skin {

class CColorPaletteUI : public CControlUI {
  public:
    ~CColorPaletteUI() override;
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    // 0xFFRRGGBB.
    uint32_t GetSelectColor() const;
    // Programmatic: no notification unless `notify` is set.
    void SetSelectColor(uint32_t argb, bool notify = false);
    int GetBarHeight() const { return barHeight_; }

    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;

  private:
    Rect FieldRect() const;
    Rect BarRect() const;
    void PickAt(Point pt);

    // Hue 0..359, saturation and value 0..1000.
    int hue_ = 0;
    int saturation_ = 1000;
    int value_ = 1000;
    int barHeight_ = 10;
    int gap_ = 4;
    enum class Drag { None, Field, Bar } drag_ = Drag::None;
    uint32_t dragStartColor_ = 0;
    cairo_surface_t* field_ = nullptr;  // cached field picture
    Size fieldSize_;
};

// Conversions used by the palette (exposed for tests).
uint32_t HsvToRgb(int hue, int saturation, int value);
void RgbToHsv(uint32_t rgb, int& hue, int& saturation, int& value);

}  // namespace kelno::skin
