#include "panels/widgets/wnd_ui.h"

#include "skin/core/attribute_values.h"

namespace kelno::widgets {

std::string CWndUI::GetClass() const {
    return "WndUI";
}

void* CWndUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CControlUI::GetInterface(name);
}

}  // namespace kelno::widgets
