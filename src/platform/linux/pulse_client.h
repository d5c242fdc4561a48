#pragma once
// The backend's one connection to the PulseAudio server, on a thread of its
// own (pa_threaded_mainloop). Every request of the backend goes through it
// and waits on a Pending of its own for the answer.

#include <pulse/pulseaudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "platform/linux/pulse_audio_config_lib.h"

namespace kelno::audio {

// Each request is started with the loop locked; the caller then waits for
// its answer up to the timeout and cancels it when none came (a cancelled
// request's callback never runs, so the answer may live on the caller's
// stack).
class PulseAudioConfigLib::Client {
  public:
    struct Pending {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        bool ok = false;
        void Finish(bool success) {
            {
                std::lock_guard lock(mutex);
                done = true;
                ok = success;
            }
            answered.notify_all();
        }
    };

    Client(std::string server, std::chrono::milliseconds timeout)
        : server_(std::move(server)), timeout_(timeout) {}
    ~Client() { Disconnect(); }

    int Connect();
    bool Ready() const { return ready_.load(); }
    // `start` runs with the loop locked and returns the request.
    int Run(Pending& pending, const std::function<pa_operation*(pa_context*)>& start);
    static void OnSuccess(pa_context*, int success, void* data);

  private:
    static void OnState(pa_context* context, void* data);
    void Disconnect();

    std::string server_;
    std::chrono::milliseconds timeout_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    Pending state_;
    std::atomic<bool> ready_{false};
};

}  // namespace kelno::audio
