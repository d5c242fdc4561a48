#include "skin/window/window_system.h"

#include "skin/automation/automation_server.h"

#include <atomic>
#include <filesystem>

namespace kelno::skin {
namespace {

std::atomic<IWindowSystem*> g_windowSystem{nullptr};

}  // namespace

IWindowSystem* CurrentWindowSystem() {
    return g_windowSystem.load();
}

void SetWindowSystem(IWindowSystem* system) {
    g_windowSystem.store(system);
}

namespace {

std::optional<std::string> RunFileDialog(IWindowHost* owner, FileDialogRequest request) {
    IWindowSystem* system = CurrentWindowSystem();
    if (system == nullptr) return std::nullopt;
    AutomationServer::NoteNestedLoop();  // a file dialog runs its own loop
    return system->ChooseFile(request, owner);
}

}  // namespace

std::optional<std::string> ShowOpenFileDialog(IWindowHost* owner, const std::string& title,
                                              const std::vector<FileDialogFilter>& filters) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Open;
    request.title = title;
    request.filters = filters;
    return RunFileDialog(owner, std::move(request));
}

std::optional<std::string> ShowSaveFileDialog(IWindowHost* owner, const std::string& title,
                                              const std::vector<FileDialogFilter>& filters,
                                              const std::string& defaultExtension,
                                              const std::string& initialName) {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = title;
    request.filters = filters;
    request.defaultExtension = defaultExtension;
    request.initialName = initialName;
    std::optional<std::string> chosen = RunFileDialog(owner, std::move(request));
    if (!chosen) return chosen;
    return WithDefaultExtension(*chosen, defaultExtension);
}

std::string WithDefaultExtension(const std::string& name, const std::string& extension) {
    if (extension.empty() || name.empty()) return name;
    std::string fileName = std::filesystem::path(name).filename().string();
    size_t dot = fileName.rfind('.');
    // A leading dot alone (".profile") is a hidden name, not an extension.
    if (dot != std::string::npos && dot > 0 && dot + 1 < fileName.size()) return name;
    std::string ext = extension.front() == '.' ? extension.substr(1) : extension;
    if (!fileName.empty() && fileName.back() == '.') return name + ext;
    return name + "." + ext;
}

}  // namespace kelno::skin
