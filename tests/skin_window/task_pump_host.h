#pragma once
// A window host that only queues posted tasks; the test thread plays the UI
// thread and runs them with Pump(). Everything else does nothing.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "skin/host/window_host.h"

namespace kelno::skin::test {

class TaskPumpHost : public IWindowHost {
  public:
    Size ClientSize() const override { return size_; }
    double DpiScale() const override { return 1.0; }
    void Invalidate(const Rect&) override {}
    void SetTimer(uint32_t, uint32_t) override {}
    void KillTimer(uint32_t) override {}
    void SetCapture() override {}
    void ReleaseCapture() override {}
    void SetCursor(CursorShape) override {}
    bool PostTask(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        if (refuse_) return false;
        tasks_.push_back(std::move(task));
        arrived_.notify_all();
        return true;
    }
    void Show(bool visible) override { visible_ = visible; }
    bool IsVisible() const override { return visible_; }
    void SetTitle(const std::string&) override {}
    void Move(const Rect&) override {}
    Rect WindowRect() const override { return {}; }
    void Minimize() override {}
    void Restore() override {}
    void BringToFront() override {}
    void Destroy() override {}

    void Refuse() {
        std::lock_guard lock(mutex_);
        refuse_ = true;
    }
    void SetClientSize(Size size) { size_ = size; }
    // Waits (up to `limit`, a hang guard) for at least one task, then runs
    // all queued. Returns how many ran.
    int Pump(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::deque<std::function<void()>> ready;
        {
            std::unique_lock lock(mutex_);
            arrived_.wait_for(lock, limit, [this] { return !tasks_.empty(); });
            ready.swap(tasks_);
        }
        for (auto& task : ready) task();
        return static_cast<int>(ready.size());
    }
    size_t Queued() const {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> tasks_;
    bool refuse_ = false;
    bool visible_ = false;
    Size size_;
};

}  // namespace kelno::skin::test
