#include "core/serial_worker.h"

namespace kelno {

SerialWorker::SerialWorker(std::string name) : thread_(std::move(name)) {}

SerialWorker::~SerialWorker() {
    Stop(std::chrono::milliseconds(1000));
}

bool SerialWorker::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        tasks_.push_back(std::move(task));
    }
    queued_.notify_one();
    // Starts the thread when none runs; a running one picks the task up.
    thread_.Start([this](std::stop_token token) { Run(token); });
    return true;
}

void SerialWorker::Run(const std::stop_token& token) {
    std::unique_lock lock(mutex_);
    while (!token.stop_requested()) {
        if (!queued_.wait(lock, token, [this] { return !tasks_.empty(); })) break;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
        lock.unlock();
        task(token);
        lock.lock();
        running_ = false;
        if (tasks_.empty()) idle_.notify_all();
    }
}

bool SerialWorker::IsIdle() const {
    std::lock_guard lock(mutex_);
    return tasks_.empty() && !running_;
}

bool SerialWorker::WaitIdle(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, bound, [this] { return tasks_.empty() && !running_; });
}

bool SerialWorker::Stop(std::chrono::milliseconds bound) {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    idle_.notify_all();
    const bool ended = thread_.StopAndJoin(bound);
    std::lock_guard lock(mutex_);
    if (ended) running_ = false;
    stopping_ = false;
    return ended;
}

}  // namespace kelno
