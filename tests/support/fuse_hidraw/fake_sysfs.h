#pragma once
// A sysfs tree in a folder, laid out as the kernel lays out hidraw nodes:
//   devices/.../usbB/B-P/B-P:1.I/0003:VVVV:PPPP.NNNN/{uevent,report_descriptor}
//   .../hidraw/hidrawN/device -> ../..   and class/hidraw/hidrawN -> that folder
// bInterfaceNumber sits in the USB interface folder and bcdDevice in the
// USB device folder above it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelno::test {

struct FakeHidrawNode {
    int number = 0;  // hidrawN
    uint32_t bus = 0x0003;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = 0;
    uint16_t bcdDevice = 0;
    std::vector<uint8_t> descriptor;
};

class FakeSysfs {
public:
    explicit FakeSysfs(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }
    // Adds (or, after Remove, plugs in again) a node; each call gets a new
    // HID device instance, as a real plug-in does.
    void Add(const FakeHidrawNode& node);
    void Remove(int number);
    // The HID device folder's uevent, for writing malformed ones.
    std::filesystem::path HidDeviceFolder(int number) const;

private:
    std::filesystem::path root_;
    int nextInstance_ = 1;
};

}  // namespace kelno::test
