#include "platform/linux/hidraw_sysfs.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace kelno::hid {
namespace {

namespace fs = std::filesystem;

// Sysfs attribute files are small; a report descriptor is at most 4 KiB.
constexpr std::streamsize kMaxAttributeBytes = 65536;

std::optional<std::string> ReadSmallFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(static_cast<size_t>(kMaxAttributeBytes), '\0');
    in.read(text.data(), kMaxAttributeBytes);
    if (in.bad()) return std::nullopt;
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// Reads a whole attribute as one hexadecimal number ("01\n", "0100\n").
std::optional<uint32_t> ReadHexAttribute(const fs::path& file) {
    const auto text = ReadSmallFile(file);
    if (!text) return std::nullopt;
    unsigned value = 0;
    char trailing = 0;
    const int read = std::sscanf(text->c_str(), "%x%c", &value, &trailing);
    if (read < 1 || (read == 2 && trailing != '\n')) return std::nullopt;
    return value;
}

// HID_ID=0003:00000C45:00007650 (bus, vendor, product in hex).
bool ParseHidId(const std::string& uevent, HidrawNodeInfo& info) {
    std::istringstream lines(uevent);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        unsigned bus = 0, vendor = 0, product = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
        if (vendor > 0xFFFF || product > 0xFFFF) return false;
        info.bus = bus;
        info.attributes.vendorId = static_cast<uint16_t>(vendor);
        info.attributes.productId = static_cast<uint16_t>(product);
        return true;
    }
    return false;
}

unsigned long NodeNumber(const std::string& name) {
    return std::stoul(name.substr(6));
}

}  // namespace

bool IsHidrawNodeName(const std::string& name) {
    constexpr std::string_view kPrefix = "hidraw";
    if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 9) return false;
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    return std::all_of(name.begin() + kPrefix.size(), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::vector<std::string>> ListHidrawNodes(const fs::path& sysfsRoot) {
    const fs::path classFolder = sysfsRoot / "class" / "hidraw";
    std::error_code error;
    if (!fs::exists(classFolder, error)) {
        if (error || !fs::is_directory(sysfsRoot / "class", error)) return std::nullopt;
        return std::vector<std::string>{};
    }
    std::vector<std::string> names;
    for (fs::directory_iterator it(classFolder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (IsHidrawNodeName(name)) names.push_back(std::move(name));
    }
    if (error) return std::nullopt;
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NodeNumber(a) < NodeNumber(b);
    });
    return names;
}

std::optional<HidrawNodeInfo> ReadHidrawNode(const fs::path& sysfsRoot, const std::string& name) {
    if (!IsHidrawNodeName(name)) return std::nullopt;
    std::error_code error;
    const fs::path hidDevice =
        fs::canonical(sysfsRoot / "class" / "hidraw" / name / "device", error);
    if (error) return std::nullopt;

    HidrawNodeInfo info;
    info.name = name;
    info.identity = hidDevice;
    const auto uevent = ReadSmallFile(hidDevice / "uevent");
    if (!uevent || !ParseHidId(*uevent, info)) return std::nullopt;
    const auto descriptor = ReadSmallFile(hidDevice / "report_descriptor");
    if (!descriptor) return std::nullopt;
    info.reportDescriptor.assign(descriptor->begin(), descriptor->end());

    if (info.bus == kBusUsb) {
        const fs::path usbInterface = hidDevice.parent_path();
        const auto interfaceNumber = ReadHexAttribute(usbInterface / "bInterfaceNumber");
        if (interfaceNumber && *interfaceNumber <= 0xFF) {
            info.interfaceNumber = static_cast<int>(*interfaceNumber);
        }
        const auto release = ReadHexAttribute(usbInterface.parent_path() / "bcdDevice");
        if (release && *release <= 0xFFFF) {
            info.attributes.versionNumber = static_cast<uint16_t>(*release);
        }
    }
    return info;
}

}  // namespace kelno::hid
