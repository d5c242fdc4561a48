#pragma once
// The HID seam over Linux hidraw: interfaces are found in sysfs, each
// top-level collection of a node's report descriptor gets its own path,
// and the collections of one node share one open file (see hidraw_node.h).
// Both roots can be moved, so tests run against a fake sysfs tree and
// FUSE-served nodes.

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/hid/hid_backend.h"

namespace kelno::hid {

class HidrawNode;
struct HidrawNodeInfo;

class HidrawBackend final : public HidBackend {
  public:
    explicit HidrawBackend(std::filesystem::path sysfsRoot = "/sys",
                           std::filesystem::path devRoot = "/dev");

    std::optional<std::vector<InterfaceInfo>> Enumerate() override;
    OpenResult Open(const std::string& path) override;
    // The node still exists, its sysfs entry still yields this path, and it
    // is the same device that was opened through the path (not another one
    // plugged in under the same node name since).
    bool IsPresent(const std::string& path) override;
    // udev's events for the real tree; none for a moved one (tests).
    std::unique_ptr<HotplugWatch> WatchHotplug() override;

  private:
    std::vector<InterfaceInfo> CollectionsOf(const HidrawNodeInfo& info,
                                             const ParsedDescriptor& descriptor) const;
    // The shared node for `name`, opening the file when no live one exists.
    std::shared_ptr<HidrawNode> NodeFor(const HidrawNodeInfo& info, OpenStatus& status);

    const std::filesystem::path sysfsRoot_;
    const std::filesystem::path devRoot_;
    std::mutex mutex_;
    std::map<std::string, std::weak_ptr<HidrawNode>> nodes_;      // by node name
    std::map<std::string, std::filesystem::path> openedDevices_;  // path -> sysfs identity
};

}  // namespace kelno::hid
