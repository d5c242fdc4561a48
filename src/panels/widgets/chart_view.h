#pragma once
// CChartViewUI ("ChartView"): items drawn as a pie or as bars ("view" is
// "pie" or "histpgram"). Attributes: "shadowimage", "shadowimageheight",
// "pillarimage", "pillarimagewidth", "showhtml", "showtext", "font".

#include <string>
#include <vector>

#include "skin/core/control.h"

namespace kelno::widgets {

class CChartViewUI : public skin::CControlUI {
  public:
    static constexpr const char* kElementName = "ChartView";
    enum class View { Pie, Bars };
    struct Item {
        std::string name;
        double value = 0;
    };

    std::string GetClass() const override;  // "ChartViewUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void PaintText(cairo_t* cr) override;  // the chart itself

    void AddItem(std::string name, double value);  // negative values count as 0
    void RemoveAllItems();
    const std::vector<Item>& Items() const { return items_; }
    View GetView() const { return view_; }

  private:
    void PaintPie(cairo_t* cr) const;
    void PaintBars(cairo_t* cr) const;

    std::vector<Item> items_;
    View view_ = View::Pie;
    std::string shadowImage_;
    int shadowImageHeight_ = 0;
    std::string pillarImage_;
    int pillarImageWidth_ = 0;
    bool showHtml_ = false;
    bool showText_ = false;
    int font_ = -1;
};

}  // namespace kelno::widgets
