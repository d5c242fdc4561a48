#pragma once
// What happens to a verified download. This program never runs one: on
// Linux the file stays where it is (not executable) and is shown to the
// user in the file manager, who decides what to do with it.

#include <gio/gio.h>

#include <filesystem>

namespace kelno::update {

class IInstallerLauncher {
  public:
    virtual ~IInstallerLauncher() = default;
    // Shows the file to the user. False when nothing could show it.
    virtual bool Reveal(const std::filesystem::path& file) = 0;
};

// Asks the file manager to select the file
// (org.freedesktop.FileManager1.ShowItems on the session bus); when no file
// manager answers, opens the file's folder with the desktop's default
// handler. Blocks for at most a few seconds: call it off the UI thread.
class DesktopFileRevealer final : public IInstallerLauncher {
  public:
    // `bus`: the connection to use (tests run a private bus); nullptr: the
    // session bus at the time of each call.
    explicit DesktopFileRevealer(GDBusConnection* bus = nullptr);
    ~DesktopFileRevealer() override;
    DesktopFileRevealer(const DesktopFileRevealer&) = delete;
    DesktopFileRevealer& operator=(const DesktopFileRevealer&) = delete;

    bool Reveal(const std::filesystem::path& file) override;

  private:
    GDBusConnection* bus_;
};

}  // namespace kelno::update
