#pragma once
// The device list: one slot per catalogue row, in table order; a slot is
// free (connected 0, empty path) or claimed by a present interface. The
// detection thread claims and frees slots; the UI thread reads them while
// handling arrival and removal. A lock keeps every read a whole entry.

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "devices/detect/catalogue.h"

namespace kelno {

class DeviceList {
  public:
    explicit DeviceList(std::vector<SupportedDeviceEntry> rows);

    size_t Size() const;
    // A copy of the slot; nothing for an index beyond the list.
    std::optional<SupportedDeviceEntry> Slot(size_t index) const;
    std::vector<SupportedDeviceEntry> Snapshot() const;

    bool AnyFree() const;
    // Some free slot satisfies `match`.
    bool AnyFree(const std::function<bool(const SupportedDeviceEntry&)>& match) const;
    // Claims the first free slot that satisfies `match` for `path`; its index.
    std::optional<size_t> ClaimFirstFree(
        const std::function<bool(const SupportedDeviceEntry&)>& match, const std::string& path);
    // Frees a slot (no effect on a free one or beyond the list).
    void Release(size_t index);
    // Indexes and paths of the claimed slots, in slot order.
    std::vector<std::pair<size_t, std::string>> Claimed() const;

    static bool IsFree(const SupportedDeviceEntry& slot) {
        return slot.connected == 0 && slot.path.empty();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<SupportedDeviceEntry> slots_;
};

}  // namespace kelno
