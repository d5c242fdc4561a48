// The connection to the server: connecting and disconnecting the threaded
// main loop, and running one request to its answer or its timeout.

#include "platform/linux/pulse_client.h"

namespace kelno::audio {

int PulseAudioConfigLib::Client::Connect() {
    if (Ready()) return kAudioOk;
    Disconnect();
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return kAudioFailed;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "KELNO Driver");
    pa_threaded_mainloop_lock(loop_);
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "KELNO Driver",
                                            properties);
    pa_proplist_free(properties);
    bool started = false;
    if (context_) {
        state_.done = false;
        pa_context_set_state_callback(context_, &Client::OnState, this);
        started = pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(),
                                     PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!started || pa_threaded_mainloop_start(loop_) < 0) {
        Disconnect();
        return kAudioNoLibrary;
    }
    std::unique_lock lock(state_.mutex);
    const bool answered = state_.answered.wait_for(lock, timeout_, [&] { return state_.done; });
    const bool ready = answered && state_.ok;
    lock.unlock();
    if (ready) return kAudioOk;
    Disconnect();
    return answered ? kAudioNoLibrary : kAudioTimedOut;
}

int PulseAudioConfigLib::Client::Run(Pending& pending,
                                     const std::function<pa_operation*(pa_context*)>& start) {
    if (!Ready()) return kAudioFailed;
    pa_threaded_mainloop_lock(loop_);
    pa_operation* operation = start(context_);
    pa_threaded_mainloop_unlock(loop_);
    if (!operation) return kAudioFailed;
    std::unique_lock lock(pending.mutex);
    pending.answered.wait_for(lock, timeout_, [&] { return pending.done; });
    lock.unlock();
    pa_threaded_mainloop_lock(loop_);
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) pa_operation_cancel(operation);
    pa_operation_unref(operation);
    pa_threaded_mainloop_unlock(loop_);
    std::lock_guard again(pending.mutex);
    if (!pending.done) return kAudioTimedOut;
    return pending.ok ? kAudioOk : kAudioFailed;
}

void PulseAudioConfigLib::Client::OnSuccess(pa_context*, int success, void* data) {
    static_cast<Pending*>(data)->Finish(success != 0);
}

void PulseAudioConfigLib::Client::OnState(pa_context* context, void* data) {
    auto* client = static_cast<Client*>(data);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            client->ready_ = true;
            client->state_.Finish(true);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            client->ready_ = false;
            client->state_.Finish(false);
            break;
        default:
            break;
    }
}

void PulseAudioConfigLib::Client::Disconnect() {
    ready_ = false;
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

}  // namespace kelno::audio
