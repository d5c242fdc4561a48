#include "skin/host/headless_input.h"

namespace kelno::skin {

bool ControlCentre(CPaintManagerUI& pm, std::string_view name, Point& centre) {
    pm.UpdateLayout();
    CControlUI* control = pm.FindControl(name);
    if (!control || !control->IsVisible() || control->GetPos().IsEmpty()) return false;
    centre = control->GetPos().Center();
    return true;
}

bool ClickControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name) {
    Point pt;
    if (!ControlCentre(pm, name, pt)) return false;
    host.Click(pt);
    return true;
}

bool DoubleClickControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name) {
    Point pt;
    if (!ControlCentre(pm, name, pt)) return false;
    host.DoubleClick(pt);
    return true;
}

bool TypeIntoControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name,
                     const std::string& text) {
    if (!ClickControl(host, pm, name)) return false;
    host.TypeText(text);
    return true;
}

}  // namespace kelno::skin
