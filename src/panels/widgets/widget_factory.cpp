#include "panels/widgets/widget_factory.h"

#include <array>
#include <string>

#include "panels/widgets/chart_view.h"
#include "panels/widgets/circle_progress.h"
#include "panels/widgets/device_key_button.h"
#include "panels/widgets/hand_img_button.h"
#include "panels/widgets/redio_macro_button.h"
#include "panels/widgets/select_panel.h"
#include "panels/widgets/wnd_ui.h"
#include "skin/core/attribute_values.h"
#include "skin/core/dialog_builder.h"

namespace kelno::widgets {
namespace {

struct WidgetEntry {
    const char* name;
    skin::CControlUI* (*create)();
};

template <typename T>
skin::CControlUI* Make() {
    return new T();
}

constexpr std::array<WidgetEntry, 8> kWidgets = {{
    {CCircleProgressUI::kElementName, &Make<CCircleProgressUI>},
    {CDeviceKeyButtonUI::kElementName, &Make<CDeviceKeyButtonUI>},
    {CHandImgButtonUI::kElementName, &Make<CHandImgButtonUI>},
    {CHandImgSelectButtonUI::kElementName, &Make<CHandImgSelectButtonUI>},
    {CRedioMacroButtonUI::kElementName, &Make<CRedioMacroButtonUI>},
    {CSelectPanelUI::kElementName, &Make<CSelectPanelUI>},
    {CWndUI::kElementName, &Make<CWndUI>},
    {CChartViewUI::kElementName, &Make<CChartViewUI>},
}};

}  // namespace

skin::CControlUI* CreateWidget(std::string_view elementName) {
    for (const WidgetEntry& entry : kWidgets) {
        if (skin::EqualsNoCase(elementName, entry.name)) return entry.create();
    }
    return nullptr;
}

void RegisterWidgets() {
    for (const WidgetEntry& entry : kWidgets) {
        skin::CControlFactory::GetInstance().RegisterControl(entry.name, entry.create);
    }
}

}  // namespace kelno::widgets
