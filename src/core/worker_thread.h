#pragma once
// Worker threads that stop when asked. Every worker gets a stop token; its
// waits wake when stop is requested; joining is bounded and never kills the
// thread (a thread that cannot be killed safely is waited for, and reported).

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace kelno {

// Sleeps for `duration` unless stop is requested first. Returns true when the
// full time passed, false when woken by stop.
bool WaitFor(const std::stop_token& token, std::chrono::steady_clock::duration duration);

// Sleeps until `deadline` unless stop is requested first; as WaitFor.
bool WaitUntil(const std::stop_token& token, std::chrono::steady_clock::time_point deadline);

// Names the calling thread as `top -H` and profilers show it (the first 15
// bytes; an empty name leaves it as it is).
void NameCurrentThread(const std::string& name);

// A worker named by its constructor carries that name as its thread's name.
class WorkerThread {
  public:
    using Body = std::function<void(std::stop_token)>;

    WorkerThread() = default;
    explicit WorkerThread(std::string name) : name_(std::move(name)) {}
    // Requests stop and waits for the thread, however long it takes.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the body on a new thread. False when one is still running.
    bool Start(Body body);

    void RequestStop();

    // Requests stop and waits up to `bound` for the body to return. Returns
    // true when the thread has ended (and is joined); false when it is still
    // running, in which case it is left to finish and a later call (or the
    // destructor) joins it.
    bool StopAndJoin(std::chrono::milliseconds bound);

    bool IsRunning() const;
    const std::string& Name() const { return name_; }

  private:
    std::string name_;
    std::jthread thread_;
    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool running_ = false;
};

}  // namespace kelno
