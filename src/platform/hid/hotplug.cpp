#include "platform/hid/hotplug.h"

#include <algorithm>

namespace kelno::hid {

class HotplugEvents::CounterWatch final : public HotplugWatch {
  public:
    explicit CounterWatch(std::shared_ptr<HotplugEvents> events)
        : events_(std::move(events)), seen_(Generation()) {}

    bool WaitForChange(const std::stop_token& stop,
                       std::optional<std::chrono::milliseconds> timeout) override {
        std::unique_lock lock(events_->mutex_);
        const auto changed = [this] { return events_->generation_ != seen_; };
        if (timeout) {
            events_->changed_.wait_for(lock, stop, *timeout, changed);
        } else {
            events_->changed_.wait(lock, stop, changed);
        }
        if (!changed() || stop.stop_requested()) return false;
        seen_ = events_->generation_;
        return true;
    }

  private:
    uint64_t Generation() {
        std::lock_guard lock(events_->mutex_);
        return events_->generation_;
    }

    std::shared_ptr<HotplugEvents> events_;
    uint64_t seen_;
};

void HotplugEvents::Announce() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

std::unique_ptr<HotplugWatch> HotplugEvents::Watch() {
    return std::make_unique<CounterWatch>(shared_from_this());
}

void PlugListeners::Add(std::weak_ptr<HotplugEvents> events) {
    std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [](const auto& listener) { return listener.expired(); });
    listeners_.push_back(std::move(events));
}

void PlugListeners::AnnounceAll() {
    std::vector<std::shared_ptr<HotplugEvents>> alive;
    {
        std::lock_guard lock(mutex_);
        for (const auto& listener : listeners_)
            if (auto events = listener.lock()) alive.push_back(std::move(events));
    }
    for (const auto& events : alive) events->Announce();
}

}  // namespace kelno::hid
