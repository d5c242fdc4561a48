#include "app/tray_menu.h"

#include <memory>

#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/core/container.h"
#include "skin/core/dialog_builder.h"
#include "skin/layout/layouts.h"

namespace kelno::app {
namespace {

// Builds the menu's elements as plain buttons and remembers them.
class MenuElementCollector final : public skin::IDialogBuilderCallback {
  public:
    skin::CControlUI* CreateControl(const std::string& className) override {
        if (skin::EqualsNoCase(className, "Menu")) return new skin::CVerticalLayoutUI;
        if (!skin::EqualsNoCase(className, "MenuElement")) return nullptr;
        auto* element = new skin::CButtonUI;
        elements.push_back(element);
        return element;
    }
    std::vector<skin::CControlUI*> elements;
};

}  // namespace

std::vector<skin::TrayMenuItem> TrayMenuItemsFrom(const std::string& file) {
    MenuElementCollector collector;
    skin::CDialogBuilder builder;
    std::unique_ptr<skin::CControlUI> root(builder.Create(file, &collector));
    std::vector<skin::TrayMenuItem> items;
    if (!root) return items;
    for (skin::CControlUI* element : collector.elements)
        if (!element->GetName().empty()) items.push_back({element->GetName(), element->GetText()});
    return items;
}

}  // namespace kelno::app
