#pragma once
// Runs automation commands on the UI thread against the skinned windows the
// automation server knows. Input goes through each window's host-client input
// path, so a click is the same event sequence a real click produces.

#include <functional>
#include <string>
#include <vector>

#include "skin/automation/automation_protocol.h"

namespace kelno::skin {

class CControlUI;
class CPaintManagerUI;
class IHostClient;

struct AutomationTarget {
    CPaintManagerUI* manager = nullptr;
    IHostClient* input = nullptr;  // where the host sends input for this window
};

class AutomationExecutor {
  public:
    explicit AutomationExecutor(std::vector<AutomationTarget> targets)
        : targets_(std::move(targets)) {}

    // Every command but wait-visible (which the server runs as repeated
    // finds). Returns the reply line.
    std::string Execute(const AutomationCommand& command);

    // The `ref.occurrence`-th control named `ref.name` (case-insensitive) in
    // tree order over the targets in order; null when none.
    CControlUI* Find(const ControlRef& ref, AutomationTarget* owner = nullptr) const;

  private:
    // Runs `action` on the visible control `ref` names; the action returns an
    // error message or nothing.
    using Action = std::function<std::string(const AutomationTarget&, CControlUI*)>;
    std::string Act(const ControlRef& ref, const Action& action);
    std::string Screenshot(const std::string& path);

    std::vector<AutomationTarget> targets_;
};

}  // namespace kelno::skin
