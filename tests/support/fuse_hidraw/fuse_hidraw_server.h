#pragma once
// Test harness: a FUSE file system whose files act as hidraw nodes served
// by HidDeviceModel objects. Point the hidraw backend's device root at the
// mount folder (and its sysfs root at a matching fake tree) to run the real
// backend code against simulated devices: open, read, write, poll and the
// hidraw requests (HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWINFO,
// HIDIOCGRAWNAME, HIDIOCSOUTPUT, HIDIOCSFEATURE).
//
// As with the kernel, every open file gets its own copy of each input
// report. A model that unplugs (or RemoveNode) makes its file disappear,
// wakes pollers with POLLHUP and fails reads and writes with ENODEV.
//
// Mounting needs /dev/fuse and the right to mount; check Mounted() and
// skip when it is false. Close every file (connection) before the server
// goes away.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/hid/hid_device_model.h"

namespace kelno::test {

class FuseHidrawServer {
public:
    explicit FuseHidrawServer(std::filesystem::path mountFolder);
    ~FuseHidrawServer();
    FuseHidrawServer(const FuseHidrawServer&) = delete;
    FuseHidrawServer& operator=(const FuseHidrawServer&) = delete;

    bool Mounted() const;
    const std::string& Error() const;  // why mounting failed
    const std::filesystem::path& Folder() const;

    // Serves "hidraw<number>" from the model until it unplugs or is removed.
    void AddNode(int number, std::shared_ptr<hid::HidDeviceModel> model);
    void RemoveNode(int number);
    // Opening the node fails with this errno (0: opens normally), e.g.
    // EACCES, since root ignores file modes.
    void RefuseOpen(int number, int error);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace kelno::test
