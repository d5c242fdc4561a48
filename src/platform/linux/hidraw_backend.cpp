#include "platform/linux/hidraw_backend.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "core/debug_output.h"
#include "platform/linux/hidraw_node.h"
#include "platform/linux/hidraw_paths.h"
#include "platform/linux/hidraw_sysfs.h"
#include "platform/linux/udev_hotplug_watch.h"

namespace kelno::hid {
namespace {

namespace fs = std::filesystem;

OpenStatus OpenStatusOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return OpenStatus::PermissionDenied;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenStatus::NotFound;
        default:
            return OpenStatus::Failed;
    }
}

// The descriptor and ids as the opened file reports them; nothing when the
// file does not answer the hidraw requests (not a hidraw node).
struct OpenedNodeFacts {
    std::vector<uint8_t> descriptor;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

std::optional<OpenedNodeFacts> QueryOpenedNode(int fd) {
    hidraw_devinfo devinfo{};
    if (::ioctl(fd, HIDIOCGRAWINFO, &devinfo) < 0) return std::nullopt;
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) return std::nullopt;
    if (size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) return std::nullopt;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return std::nullopt;
    const uint32_t length = std::min<uint32_t>(descriptor.size, HID_MAX_DESCRIPTOR_SIZE);
    OpenedNodeFacts facts;
    facts.descriptor.assign(descriptor.value, descriptor.value + length);
    facts.vendorId = static_cast<uint16_t>(devinfo.vendor);
    facts.productId = static_cast<uint16_t>(devinfo.product);
    return facts;
}

}  // namespace

HidrawBackend::HidrawBackend(fs::path sysfsRoot, fs::path devRoot)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {}

std::vector<InterfaceInfo> HidrawBackend::CollectionsOf(const HidrawNodeInfo& info,
                                                        const ParsedDescriptor& descriptor) const {
    std::vector<InterfaceInfo> collections;
    const size_t count = descriptor.collections.size();
    for (size_t i = 0; i < count; ++i) {
        InterfaceInfo& collection = collections.emplace_back();
        collection.collectionNumber = count > 1 ? static_cast<int>(i + 1) : 0;
        collection.path = HidrawCollectionPath(devRoot_, info.name, info.attributes,
                                               info.interfaceNumber, collection.collectionNumber);
        collection.attributes = info.attributes;
        collection.interfaceNumber = info.interfaceNumber;
        collection.collection = descriptor.collections[i].info;
    }
    return collections;
}

std::optional<std::vector<InterfaceInfo>> HidrawBackend::Enumerate() {
    const auto names = ListHidrawNodes(sysfsRoot_);
    if (!names) return std::nullopt;
    std::vector<InterfaceInfo> interfaces;
    for (const std::string& name : *names) {
        // A node that vanishes or cannot be read while we look is skipped;
        // the others are still listed.
        const auto info = ReadHidrawNode(sysfsRoot_, name);
        if (!info) continue;
        const ParsedDescriptor descriptor = ParseReportDescriptor(info->reportDescriptor);
        if (!descriptor.ok) {
            DebugOutputF("hidraw: %s: report descriptor not usable: %s", name.c_str(),
                         descriptor.error.c_str());
            continue;
        }
        const bool accessible = ::access((devRoot_ / name).c_str(), R_OK | W_OK) == 0;
        for (InterfaceInfo& collection : CollectionsOf(*info, descriptor)) {
            collection.accessible = accessible;
            interfaces.push_back(std::move(collection));
        }
    }
    return interfaces;
}

std::shared_ptr<HidrawNode> HidrawBackend::NodeFor(const HidrawNodeInfo& info, OpenStatus& status) {
    std::lock_guard lock(mutex_);
    if (auto node = nodes_[info.name].lock()) {
        if (node->Identity() == info.identity && !node->IsDisconnected()) return node;
    }
    const fs::path file = devRoot_ / info.name;
    const int fd = ::open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        status = OpenStatusOf(errno);
        return nullptr;
    }
    const auto facts = QueryOpenedNode(fd);
    if (!facts) {
        ::close(fd);
        status = OpenStatus::NotSupported;
        return nullptr;
    }
    if (facts->vendorId != info.attributes.vendorId ||
        facts->productId != info.attributes.productId) {
        // Another device took the node name between the sysfs look and
        // the open.
        ::close(fd);
        status = OpenStatus::NotFound;
        return nullptr;
    }
    ParsedDescriptor descriptor = ParseReportDescriptor(facts->descriptor);
    if (!descriptor.ok) {
        DebugOutputF("hidraw: %s: report descriptor not usable: %s", info.name.c_str(),
                     descriptor.error.c_str());
        ::close(fd);
        status = OpenStatus::NotSupported;
        return nullptr;
    }
    auto node = HidrawNode::Create(fd, std::move(descriptor), info.identity);
    if (!node) {
        status = OpenStatus::Failed;
        return nullptr;
    }
    nodes_[info.name] = node;
    return node;
}

OpenResult HidrawBackend::Open(const std::string& path) {
    const auto name = HidrawNodeOfPath(devRoot_, path);
    if (!name) return {nullptr, OpenStatus::NotFound};
    const auto info = ReadHidrawNode(sysfsRoot_, *name);
    if (!info) return {nullptr, OpenStatus::NotFound};

    OpenStatus status = OpenStatus::Failed;
    const auto node = NodeFor(*info, status);
    if (!node) return {nullptr, status};

    const auto collections = CollectionsOf(*info, node->Descriptor());
    const auto match = std::find_if(collections.begin(), collections.end(),
                                    [&](const InterfaceInfo& c) { return c.path == path; });
    if (match == collections.end()) return {nullptr, OpenStatus::NotFound};
    {
        std::lock_guard lock(mutex_);
        openedDevices_[path] = info->identity;
    }
    const auto index = static_cast<size_t>(match - collections.begin());
    return {std::make_shared<HidrawConnection>(node, index, info->attributes), OpenStatus::Ok};
}

bool HidrawBackend::IsPresent(const std::string& path) {
    const auto name = HidrawNodeOfPath(devRoot_, path);
    if (!name) return false;
    std::error_code error;
    if (!fs::exists(devRoot_ / *name, error)) return false;
    const auto info = ReadHidrawNode(sysfsRoot_, *name);
    if (!info) return false;
    {
        std::lock_guard lock(mutex_);
        const auto opened = openedDevices_.find(path);
        if (opened != openedDevices_.end() && opened->second != info->identity) return false;
    }
    const ParsedDescriptor descriptor = ParseReportDescriptor(info->reportDescriptor);
    if (!descriptor.ok) return false;
    const auto collections = CollectionsOf(*info, descriptor);
    return std::any_of(collections.begin(), collections.end(),
                       [&](const InterfaceInfo& c) { return c.path == path; });
}

std::unique_ptr<HotplugWatch> HidrawBackend::WatchHotplug() {
    // udev speaks of the real tree only.
    if (sysfsRoot_ != "/sys" || devRoot_ != "/dev") return nullptr;
    return MakeUdevHotplugWatch();
}

}  // namespace kelno::hid
