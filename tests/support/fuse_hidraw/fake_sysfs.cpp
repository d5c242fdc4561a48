#include "support/fuse_hidraw/fake_sysfs.h"

#include <cstdio>
#include <fstream>

namespace kelno::test {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string Hex(const char* format, unsigned value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

FakeSysfs::FakeSysfs(fs::path root) : root_(std::move(root)) {
    fs::create_directories(root_ / "class" / "hidraw");
    fs::create_directories(root_ / "devices");
}

void FakeSysfs::Add(const FakeHidrawNode& node) {
    const std::string usbDevice = "1-" + std::to_string(node.number + 1);
    const fs::path deviceFolder = root_ / "devices" / "pci0000:00" / "usb1" / usbDevice;
    const fs::path interfaceFolder =
        deviceFolder / (usbDevice + ":1." + std::to_string(node.interfaceNumber));
    const std::string hidName = Hex("%04X", node.bus) + ":" + Hex("%04X", node.vendorId) + ":" +
                                Hex("%04X", node.productId) + "." +
                                Hex("%04X", static_cast<unsigned>(nextInstance_++));
    const fs::path hidFolder = interfaceFolder / hidName;
    const fs::path nodeFolder = hidFolder / "hidraw" / ("hidraw" + std::to_string(node.number));
    fs::create_directories(nodeFolder);

    WriteText(deviceFolder / "bcdDevice", Hex("%04x\n", node.bcdDevice));
    WriteText(interfaceFolder / "bInterfaceNumber", Hex("%02x\n", node.interfaceNumber));
    WriteText(hidFolder / "uevent", "DRIVER=hid-generic\nHID_ID=" + Hex("%04X", node.bus) + ":" +
                                        Hex("%08X", node.vendorId) + ":" +
                                        Hex("%08X", node.productId) + "\nHID_NAME=Fake\n");
    WriteText(hidFolder / "report_descriptor",
              std::string(node.descriptor.begin(), node.descriptor.end()));
    fs::create_directory_symlink("../..", nodeFolder / "device");

    const fs::path classLink = root_ / "class" / "hidraw" / nodeFolder.filename();
    fs::remove(classLink);
    fs::create_directory_symlink(nodeFolder, classLink);
}

void FakeSysfs::Remove(int number) {
    const fs::path classLink = root_ / "class" / "hidraw" / ("hidraw" + std::to_string(number));
    std::error_code error;
    const fs::path hidFolder = fs::canonical(classLink / "device", error);
    fs::remove(classLink);
    if (!error) fs::remove_all(hidFolder);
}

fs::path FakeSysfs::HidDeviceFolder(int number) const {
    return fs::canonical(root_ / "class" / "hidraw" / ("hidraw" + std::to_string(number)) /
                         "device");
}

}  // namespace kelno::test
