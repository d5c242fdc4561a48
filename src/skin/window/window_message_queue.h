#pragma once
// Delivery of the application's numeric window messages to the UI thread.
// Post never waits; Send from a worker waits until the UI thread ran the
// handler, and is released with no result when the queue closes (the window
// is going away) or the caller's stop token fires. Send on the UI thread runs
// the handler at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "skin/window/message_param.h"

namespace kelno::skin {

class IWindowHost;

class WindowMessageQueue {
  public:
    using Handler =
        std::function<int64_t(uint32_t id, const MessageParam& wParam, const MessageParam& lParam)>;

    // Constructed on the UI thread, which becomes the queue's UI thread.
    explicit WindowMessageQueue(Handler handler);
    // Closes the queue.
    ~WindowMessageQueue();
    WindowMessageQueue(const WindowMessageQueue&) = delete;
    WindowMessageQueue& operator=(const WindowMessageQueue&) = delete;

    // The host whose PostTask carries messages to the UI thread. Until one is
    // attached (and after Close) nothing is delivered; attaching a new host
    // (a window made again) opens the queue again. UI thread only.
    void AttachHost(IWindowHost* host);

    // Any thread. False when the message cannot be delivered (no host, or
    // closing); the payload is then dropped.
    bool Post(uint32_t id, MessageParam wParam = {}, MessageParam lParam = {});

    // Any thread. The handler's result, or nothing when the message was not
    // handled because the queue closed or `stop` was requested first.
    std::optional<int64_t> Send(uint32_t id, MessageParam wParam = {}, MessageParam lParam = {},
                                std::stop_token stop = {});

    // UI thread. No message is handled after this; waiting senders return
    // at once with nothing. Idempotent.
    void Close();
    bool IsClosed() const;

    bool OnUiThread() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace kelno::skin
