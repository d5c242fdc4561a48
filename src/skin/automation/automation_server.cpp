#include "skin/automation/automation_server.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "core/debug_output.h"
#include "core/worker_thread.h"
#include "platform/ipc/line_socket_server.h"
#include "skin/automation/control_probe.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

// Windows known to automation, in registration order.
struct Registry {
    std::mutex mutex;
    std::vector<AutomationTarget> windows;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// The reply slot of one command handed to the UI thread. A task that is
// dropped unrun (its window went away) marks the slot abandoned.
struct ReplySlot {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::optional<std::string> reply;
    bool abandoned = false;
};

// Completes a reply unless it already has one; false when it had.
bool SetReply(ReplySlot& slot, std::string reply) {
    std::lock_guard lock(slot.mutex);
    if (slot.reply) return false;
    slot.reply = std::move(reply);
    slot.changed.notify_all();
    return true;
}

// The reply of the command running on the UI thread now (UI thread only).
std::shared_ptr<ReplySlot>& RunningCommand() {
    static std::shared_ptr<ReplySlot> running;
    return running;
}

struct ReplyGuard {
    std::shared_ptr<ReplySlot> slot;
    ~ReplyGuard() {
        if (!slot) return;
        std::lock_guard lock(slot->mutex);
        if (!slot->reply) slot->abandoned = true;
        slot->changed.notify_all();
    }
};

// Runs `work` on the UI thread and waits for its reply line.
std::optional<std::string> RunOnUi(std::function<std::string()> work, std::stop_token stop) {
    auto slot = std::make_shared<ReplySlot>();
    bool posted = false;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        for (const AutomationTarget& target : registry.windows) {
            IWindowHost* host = target.manager ? target.manager->GetHost() : nullptr;
            if (host == nullptr) continue;
            auto guard = std::make_shared<ReplyGuard>();
            guard->slot = slot;
            posted = host->PostTask([guard, work] {
                std::shared_ptr<ReplySlot> outer = RunningCommand();
                RunningCommand() = guard->slot;
                std::string reply = work();
                RunningCommand() = outer;
                // Already answered when the command opened a modal loop.
                SetReply(*guard->slot, std::move(reply));
            });
            if (posted) break;
        }
    }
    if (!posted) return std::nullopt;
    std::unique_lock lock(slot->mutex);
    slot->changed.wait(lock, stop, [&] { return slot->reply.has_value() || slot->abandoned; });
    return slot->reply;
}

std::string WaitVisible(const AutomationCommand& command, std::stop_token stop) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(command.number);
    ControlRef ref = command.target;
    while (true) {
        std::optional<std::string> state = RunOnUi(
            [ref] {
                AutomationExecutor executor(AutomationServer::RegisteredWindows());
                CControlUI* control = executor.Find(ref);
                return std::string(control && IsShownWithParents(control) ? "1" : "0");
            },
            stop);
        if (!state) return FormatError("no window to ask");
        if (*state == "1") return FormatOk();
        if (std::chrono::steady_clock::now() >= deadline)
            return FormatError("timeout waiting for " + ref.name);
        // Look again shortly; the wait ends early when the server stops.
        if (!WaitFor(stop, std::chrono::milliseconds(20))) return FormatError("stopped");
    }
}

}  // namespace

struct AutomationServer::Impl {
    ipc::LineSocketServer server{
        "automation",
        [](std::string_view line, std::stop_token stop) { return HandleLine(line, stop); },
        {.maxLineLength = kAutomationMaxLine}};
};

AutomationServer::AutomationServer() : impl_(std::make_unique<Impl>()) {}

AutomationServer::~AutomationServer() {
    Stop();
}

bool AutomationServer::Start(const std::string& socketPath, std::string* error) {
    return impl_->server.Start(socketPath, error);
}

void AutomationServer::Stop() {
    impl_->server.Stop();
}

bool AutomationServer::IsRunning() const {
    return impl_->server.IsRunning();
}

void AutomationServer::RegisterWindow(CPaintManagerUI* manager, IHostClient* input) {
    if (manager == nullptr) return;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const AutomationTarget& t : registry.windows)
        if (t.manager == manager) return;
    registry.windows.push_back({manager, input ? input : manager});
}

void AutomationServer::UnregisterWindow(CPaintManagerUI* manager) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.windows,
                  [&](const AutomationTarget& t) { return t.manager == manager; });
}

std::vector<AutomationTarget> AutomationServer::RegisteredWindows() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.windows;
}

void AutomationServer::NoteNestedLoop() {
    if (std::shared_ptr<ReplySlot> running = RunningCommand()) SetReply(*running, FormatOk());
    RunningCommand().reset();
}

std::string AutomationServer::HandleLine(std::string_view line, std::stop_token stop) {
    AutomationParse parsed = ParseAutomationCommand(line);
    if (const auto* bad = std::get_if<AutomationError>(&parsed)) return FormatError(bad->message);
    const auto& command = std::get<AutomationCommand>(parsed);
    if (command.verb == AutomationVerb::WaitVisible) return WaitVisible(command, stop);
    std::optional<std::string> reply = RunOnUi(
        [command] { return AutomationExecutor(RegisteredWindows()).Execute(command); }, stop);
    return reply ? *reply : FormatError("no window to run the command");
}

std::string AutomationSocketArgument(int argc, char** argv) {
    const std::string_view flag = "--automation";
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        if (arg == flag && i + 1 < argc && argv[i + 1]) return argv[i + 1];
        if (arg.size() > flag.size() + 1 && arg.substr(0, flag.size()) == flag &&
            arg[flag.size()] == '=')
            return std::string(arg.substr(flag.size() + 1));
    }
    return {};
}

}  // namespace kelno::skin
