#include "devices/detect/device_list.h"

#include <algorithm>

namespace kelno {

DeviceList::DeviceList(std::vector<SupportedDeviceEntry> rows) : slots_(std::move(rows)) {
    // The list starts free whatever the rows carried.
    for (auto& slot : slots_) {
        slot.connected = 0;
        slot.path.clear();
    }
}

size_t DeviceList::Size() const {
    std::lock_guard lock(mutex_);
    return slots_.size();
}

std::optional<SupportedDeviceEntry> DeviceList::Slot(size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) return std::nullopt;
    return slots_[index];
}

std::vector<SupportedDeviceEntry> DeviceList::Snapshot() const {
    std::lock_guard lock(mutex_);
    return slots_;
}

bool DeviceList::AnyFree() const {
    return AnyFree([](const SupportedDeviceEntry&) { return true; });
}

bool DeviceList::AnyFree(const std::function<bool(const SupportedDeviceEntry&)>& match) const {
    std::lock_guard lock(mutex_);
    return std::any_of(slots_.begin(), slots_.end(), [&](const SupportedDeviceEntry& slot) {
        return IsFree(slot) && match(slot);
    });
}

std::optional<size_t> DeviceList::ClaimFirstFree(
    const std::function<bool(const SupportedDeviceEntry&)>& match, const std::string& path) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (IsFree(slots_[i]) && match(slots_[i])) {
            slots_[i].connected = 1;
            slots_[i].path = path;
            return i;
        }
    }
    return std::nullopt;
}

void DeviceList::Release(size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= slots_.size()) return;
    slots_[index].connected = 0;
    slots_[index].path.clear();
}

std::vector<std::pair<size_t, std::string>> DeviceList::Claimed() const {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<size_t, std::string>> claimed;
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].connected != 0) claimed.emplace_back(i, slots_[i].path);
    return claimed;
}

}  // namespace kelno
