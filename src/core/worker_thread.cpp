#include "core/worker_thread.h"

#include <pthread.h>

#include "core/debug_output.h"

namespace kelno {

bool WaitUntil(const std::stop_token& token, std::chrono::steady_clock::time_point deadline) {
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    // The predicate never becomes true: only the deadline or stop ends it.
    wakeUp.wait_until(lock, token, deadline, [] { return false; });
    return !token.stop_requested();
}

bool WaitFor(const std::stop_token& token, std::chrono::steady_clock::duration duration) {
    return WaitUntil(token, std::chrono::steady_clock::now() + duration);
}

void NameCurrentThread(const std::string& name) {
    if (name.empty()) return;
    // The kernel keeps 15 bytes of a thread's name.
    const std::string shortName = name.substr(0, 15);
    pthread_setname_np(pthread_self(), shortName.c_str());
}

WorkerThread::~WorkerThread() {
    if (!thread_.joinable()) return;
    if (!StopAndJoin(std::chrono::milliseconds(1000))) {
        DebugOutputF("worker '%s' did not stop in time (1000 ms); waiting for it", name_.c_str());
        thread_.join();
    }
}

bool WorkerThread::Start(Body body) {
    {
        std::lock_guard lock(mutex_);
        if (running_) return false;
        running_ = true;
    }
    if (thread_.joinable()) thread_.join();  // a previous run that has ended
    thread_ = std::jthread([this, body = std::move(body)](std::stop_token token) {
        NameCurrentThread(name_);
        body(token);
        std::lock_guard lock(mutex_);
        running_ = false;
        finishedChanged_.notify_all();
    });
    return true;
}

void WorkerThread::RequestStop() {
    if (thread_.joinable()) thread_.request_stop();
}

bool WorkerThread::StopAndJoin(std::chrono::milliseconds bound) {
    if (!thread_.joinable()) return true;
    thread_.request_stop();
    {
        std::unique_lock lock(mutex_);
        if (!finishedChanged_.wait_for(lock, bound, [this] { return !running_; })) return false;
    }
    thread_.join();
    return true;
}

bool WorkerThread::IsRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

}  // namespace kelno
