#include "skin/window/window_message_queue.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "skin/host/window_host.h"

namespace kelno::skin {

struct WindowMessageQueue::State {
    explicit State(Handler h) : handler(std::move(h)), uiThread(std::this_thread::get_id()) {}

    const Handler handler;
    const std::thread::id uiThread;
    mutable std::mutex mutex;
    std::condition_variable_any changed;
    IWindowHost* host = nullptr;  // guarded by mutex
    bool closed = false;          // guarded by mutex

    bool IsClosed() const {
        std::lock_guard lock(mutex);
        return closed;
    }

    // Hands `task` to the host; false when there is none or the queue is closed.
    bool PostToUi(std::function<void()> task) {
        std::lock_guard lock(mutex);
        // The host is only replaced or dropped on the UI thread, under this
        // lock, so it stays valid while we post through it.
        if (closed || host == nullptr) return false;
        return host->PostTask(std::move(task));
    }
};

namespace {

// One sent message waiting for its result.
struct PendingSend {
    std::optional<int64_t> result;
    bool done = false;
};

}  // namespace

WindowMessageQueue::WindowMessageQueue(Handler handler)
    : state_(std::make_shared<State>(std::move(handler))) {}

WindowMessageQueue::~WindowMessageQueue() {
    Close();
}

void WindowMessageQueue::AttachHost(IWindowHost* host) {
    std::lock_guard lock(state_->mutex);
    state_->host = host;
    state_->closed = host == nullptr;
}

bool WindowMessageQueue::OnUiThread() const {
    return std::this_thread::get_id() == state_->uiThread;
}

bool WindowMessageQueue::IsClosed() const {
    return state_->IsClosed();
}

bool WindowMessageQueue::Post(uint32_t id, MessageParam wParam, MessageParam lParam) {
    // The task keeps the state alive, not the window: a closed queue drops it.
    return state_->PostToUi([state = state_, id, w = std::move(wParam), l = std::move(lParam)] {
        if (!state->IsClosed()) state->handler(id, w, l);
    });
}

std::optional<int64_t> WindowMessageQueue::Send(uint32_t id, MessageParam wParam,
                                                MessageParam lParam, std::stop_token stop) {
    if (OnUiThread()) {
        if (state_->IsClosed()) return std::nullopt;
        return state_->handler(id, wParam, lParam);
    }
    // The wait holds its own reference: the window may go away meanwhile.
    std::shared_ptr<State> state = state_;
    auto pending = std::make_shared<PendingSend>();
    bool posted =
        state->PostToUi([state, pending, id, w = std::move(wParam), l = std::move(lParam)] {
            if (state->IsClosed()) return;
            int64_t result = state->handler(id, w, l);
            std::lock_guard lock(state->mutex);
            pending->result = result;
            pending->done = true;
            state->changed.notify_all();
        });
    if (!posted) return std::nullopt;
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, stop, [&] { return pending->done || state->closed; });
    return pending->done ? pending->result : std::nullopt;
}

void WindowMessageQueue::Close() {
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->host = nullptr;
    state_->changed.notify_all();
}

}  // namespace kelno::skin
