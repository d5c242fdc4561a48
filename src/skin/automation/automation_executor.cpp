#include "skin/automation/automation_executor.h"

#include <cairo.h>

#include "skin/automation/control_probe.h"
#include "skin/core/attribute_values.h"
#include "skin/core/control.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

struct NameSearch {
    const std::string* name;
    size_t remaining;  // matches still to skip
};

CControlUI* MatchName(CControlUI* control, void* data) {
    auto* search = static_cast<NameSearch*>(data);
    if (!EqualsNoCase(control->GetName(), *search->name)) return nullptr;
    if (search->remaining == 0) return control;
    --search->remaining;
    return nullptr;
}

std::string NotFound(const ControlRef& ref) {
    return FormatError("no control " + ref.name + "#" + std::to_string(ref.occurrence));
}

}  // namespace

CControlUI* AutomationExecutor::Find(const ControlRef& ref, AutomationTarget* owner) const {
    if (ref.name.empty()) return nullptr;
    NameSearch search{&ref.name, ref.occurrence};
    for (const AutomationTarget& target : targets_) {
        CControlUI* root = target.manager ? target.manager->GetRoot() : nullptr;
        if (root == nullptr) continue;
        if (CControlUI* found = root->FindControl(&MatchName, &search, UIFIND_ME_FIRST)) {
            if (owner != nullptr) *owner = target;
            return found;
        }
    }
    return nullptr;
}

std::string AutomationExecutor::Execute(const AutomationCommand& command) {
    switch (command.verb) {
        case AutomationVerb::Find: {
            CControlUI* control = Find(command.target);
            return control ? FormatFindReply(SnapshotOf(control)) : NotFound(command.target);
        }
        case AutomationVerb::Click:
        case AutomationVerb::DoubleClick: {
            bool twice = command.verb == AutomationVerb::DoubleClick;
            return Act(command.target, [twice](const AutomationTarget& t, CControlUI* c) {
                ClickCentre(t, c, twice);
                return std::string();
            });
        }
        case AutomationVerb::Select:
            return Act(command.target, [&](const AutomationTarget& t, CControlUI* c) {
                return PickItem(t, c, command.number);
            });
        case AutomationVerb::SetValue:
            return Act(command.target, [&](const AutomationTarget& t, CControlUI* c) {
                return DragSliderTo(t, c, command.number);
            });
        case AutomationVerb::Type:
            return Act(command.target, [&](const AutomationTarget& t, CControlUI* c) {
                return TypeInto(t, c, command.text);
            });
        case AutomationVerb::Screenshot:
            return Screenshot(command.text);
        case AutomationVerb::WaitVisible:
            break;
    }
    return FormatError("command not run here");
}

std::string AutomationExecutor::Act(const ControlRef& ref, const Action& action) {
    AutomationTarget target;
    CControlUI* control = Find(ref, &target);
    if (control == nullptr) return NotFound(ref);
    if (!IsShownWithParents(control)) return FormatError("not visible: " + ref.name);
    std::string error = action(target, control);
    return error.empty() ? FormatOk() : FormatError(error);
}

std::string AutomationExecutor::Screenshot(const std::string& path) {
    // The first window that is on screen (the main window comes first).
    for (const AutomationTarget& target : targets_) {
        CPaintManagerUI* pm = target.manager;
        IWindowHost* host = pm ? pm->GetHost() : nullptr;
        if (host == nullptr || !host->IsVisible()) continue;
        Size size = pm->GetClientSize();
        if (size.cx <= 0 || size.cy <= 0) continue;
        cairo_surface_t* surface =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
        cairo_t* cr = cairo_create(surface);
        pm->OnHostPaint(cr, Rect{0, 0, size.cx, size.cy});
        cairo_destroy(cr);
        cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
        if (status != CAIRO_STATUS_SUCCESS)
            return FormatError(std::string("cannot write png: ") + cairo_status_to_string(status));
        return FormatOk();
    }
    return FormatError("no visible window");
}

}  // namespace kelno::skin
