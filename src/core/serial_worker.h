#pragma once
// A worker that runs posted tasks one at a time, in the order they came.
// It keeps a series of blocking calls (one device's transactions) in order
// while the thread that posts them (the UI thread) goes on at once.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>

#include "core/worker_thread.h"

namespace kelno {

class SerialWorker {
  public:
    using Task = std::function<void(const std::stop_token&)>;

    explicit SerialWorker(std::string name);
    // Stops (see Stop; the worker thread is waited for however long it takes).
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues `task`; the thread starts with the first task. False while a
    // Stop is under way.
    bool Post(Task task);

    // Waits up to `bound` until no task is queued or running. True when idle.
    bool WaitIdle(std::chrono::milliseconds bound);
    bool IsIdle() const;

    // Drops the queued tasks, asks the running one to stop (its token) and
    // waits up to `bound` for the thread. True when it ended. A later Post
    // starts a new thread.
    bool Stop(std::chrono::milliseconds bound);

  private:
    void Run(const std::stop_token& token);

    WorkerThread thread_;
    mutable std::mutex mutex_;
    std::condition_variable_any queued_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    bool running_ = false;  // a task is being run
    bool stopping_ = false;
};

}  // namespace kelno
