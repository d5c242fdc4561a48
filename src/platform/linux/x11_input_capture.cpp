#include "platform/linux/x11_input_capture.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <bitset>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "core/debug_output.h"
#include "core/unique_fd.h"
#include "core/worker_thread.h"
#include "platform/linux/evdev_scan_codes.h"

namespace kelno::input {
namespace {

// How long a caller waits for the capture thread: a display that does not
// answer a grab within it is taken as broken.
constexpr auto kAnswerBound = std::chrono::seconds(5);

// X's button numbers; 4-7 are the wheel and are not reported.
std::optional<MouseButton> MouseButtonOfX(int button) {
    switch (button) {
        case 1:
            return MouseButton::Left;
        case 2:
            return MouseButton::Middle;
        case 3:
            return MouseButton::Right;
        case 8:
            return MouseButton::Back;
        case 9:
            return MouseButton::Forward;
        default:
            return std::nullopt;
    }
}

// Notes a press or release of `code` in `down`; false for a release of
// what is not down (and for codes out of range).
template <size_t N>
bool TakeTransition(std::bitset<N>& down, int code, bool press) {
    if (code < 0 || static_cast<size_t>(code) >= N) return false;
    const auto bit = static_cast<size_t>(code);
    if (!press && !down.test(bit)) return false;
    down.set(bit, press);
    return true;
}

// Connections that broke under a capture. Closing one would run Xlib's
// process-wide I/O error handler, which by default ends the program, so they
// are kept (and stay reachable, for leak checkers) until the process ends.
std::mutex gBrokenDisplaysMutex;
std::vector<Display*>* gBrokenDisplays = nullptr;

void KeepBrokenDisplay(Display* display) {
    std::lock_guard lock(gBrokenDisplaysMutex);
    if (!gBrokenDisplays) gBrokenDisplays = new std::vector<Display*>();
    gBrokenDisplays->push_back(display);
}

// Whether the server has closed the connection (checked without reading, so
// Xlib never meets the closed socket itself).
bool ConnectionHungUp(Display* display) {
    pollfd p{ConnectionNumber(display), POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLRDHUP | POLLNVAL)) != 0;
}

// Called by Xlib after the process-wide I/O error handler, when that one
// returns (a program may install one that does); the connection is dead.
void OnDisplayIoError(Display*, void* brokenFlag) {
    *static_cast<bool*>(brokenFlag) = true;
}

enum class CommandKind { Start, Stop, End };

struct Command {
    CommandKind kind = CommandKind::Stop;
    CaptureRequest request;
    InputHandler onInput;
    CaptureLostHandler onLost;
    uint64_t generation = 0;
    // Under Shared::mutex.
    bool answered = false;
    bool abandoned = false;  // the caller stopped waiting
    CaptureStart result = CaptureStart::Failed;
};

}  // namespace

// What the owner and the capture thread share; the thread holds it too, so a
// thread left running by a destructor that could not wait still has it.
struct X11InputCapture::Shared {
    explicit Shared(std::string name) : displayName(std::move(name)) {}

    // Both sides.
    const std::string displayName;
    UniqueFd wake;  // eventfd: commands are waiting
    std::mutex mutex;
    std::condition_variable changed;  // a command was answered, the thread ended
    std::deque<std::shared_ptr<Command>> commands;
    std::thread::id threadId;
    bool threadEnded = false;
    uint64_t nextGeneration = 1;
    // The capture callers want (0: none): handlers run only for it, so a
    // Stop takes effect at once even while the thread is busy.
    std::atomic<uint64_t> wantedGeneration{0};
    // The capture the thread holds (0: none).
    std::atomic<uint64_t> heldGeneration{0};

    uint64_t NewGeneration() {
        std::lock_guard lock(mutex);
        return nextGeneration++;
    }
    void Post(const std::shared_ptr<Command>& command);
    std::optional<CaptureStart> WaitForAnswer(const std::shared_ptr<Command>& command);
    bool WaitForEnd();

    // The capture thread only.
    struct Capture {
        CaptureRequest request;
        InputHandler onInput;
        CaptureLostHandler onLost;
        uint64_t generation = 0;
        // Keys and buttons pressed since the capture began. The server
        // reports a release of a key that is not down when a client sends
        // one (an XTEST tool restoring the modifier state after each
        // stroke releases Shift a second time): such a release is no input.
        std::bitset<256> keysDown;
        std::bitset<32> buttonsDown;
    };
    Display* display = nullptr;
    int xiOpcode = 0;
    bool ioBroken = false;  // set by Xlib's exit handler
    std::optional<Capture> capture;

    void Run();
    bool ServeCommands();
    void WaitForWork();
    void ReadEvents();
    void HandleEvent(XEvent& event);
    void Deliver(std::variant<KeyInput, ButtonInput> event,
                 std::chrono::steady_clock::time_point time);
    CaptureStart OpenDisplay();
    CaptureStart StartCapture(const CaptureRequest& request, InputHandler onInput,
                              CaptureLostHandler onLost, uint64_t generation);
    void StopCapture();
    void SelectRawEvents(bool keys, bool buttons);
    bool Broken();
    void LoseDisplay();
    void CloseDisplay();
};

void X11InputCapture::Shared::Post(const std::shared_ptr<Command>& command) {
    {
        std::lock_guard lock(mutex);
        commands.push_back(command);
    }
    const uint64_t one = 1;
    ssize_t ignored = ::write(wake.Get(), &one, sizeof one);
    (void)ignored;
}

std::optional<CaptureStart> X11InputCapture::Shared::WaitForAnswer(
    const std::shared_ptr<Command>& command) {
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, kAnswerBound, [&] { return command->answered; })) {
        command->abandoned = true;
        return std::nullopt;
    }
    return command->result;
}

bool X11InputCapture::Shared::WaitForEnd() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kAnswerBound, [&] { return threadEnded; });
}

void X11InputCapture::Shared::Run() {
    NameCurrentThread("kelno-capture");
    while (ServeCommands()) {
        // Replies read earlier may have brought events along: Xlib holds
        // them already and the socket will not wake the poll for them.
        if (display && XEventsQueued(display, QueuedAlready) > 0) {
            ReadEvents();
        } else {
            WaitForWork();
        }
    }
    {
        std::lock_guard lock(mutex);
        threadEnded = true;
    }
    changed.notify_all();
}

bool X11InputCapture::Shared::ServeCommands() {
    std::deque<std::shared_ptr<Command>> batch;
    {
        std::lock_guard lock(mutex);
        batch.swap(commands);
    }
    for (const std::shared_ptr<Command>& command : batch) {
        CaptureStart result = CaptureStart::Started;
        switch (command->kind) {
            case CommandKind::Start:
                result = StartCapture(command->request, std::move(command->onInput),
                                      std::move(command->onLost), command->generation);
                break;
            case CommandKind::Stop:
                StopCapture();
                break;
            case CommandKind::End:
                StopCapture();
                CloseDisplay();
                break;
        }
        bool abandoned = false;
        {
            std::lock_guard lock(mutex);
            abandoned = command->abandoned;
            command->answered = true;
            command->result = result;
        }
        changed.notify_all();
        // A grab its caller no longer waits for is known to nobody: let go.
        if (abandoned && result == CaptureStart::Started) StopCapture();
        if (command->kind == CommandKind::End) return false;
    }
    return true;
}

void X11InputCapture::Shared::WaitForWork() {
    pollfd fds[2] = {{wake.Get(), POLLIN, 0},
                     {display ? ConnectionNumber(display) : -1, POLLIN | POLLRDHUP, 0}};
    int ready = 0;
    do {
        ready = ::poll(fds, 2, -1);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return;
    if (fds[0].revents & POLLIN) {
        uint64_t count = 0;
        ssize_t ignored = ::read(wake.Get(), &count, sizeof count);
        (void)ignored;
    }
    if (!display) return;
    if (fds[1].revents & (POLLHUP | POLLERR | POLLRDHUP | POLLNVAL)) {
        LoseDisplay();
    } else if (fds[1].revents & POLLIN) {
        ReadEvents();
    }
}

void X11InputCapture::Shared::ReadEvents() {
    while (display && !ioBroken && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        HandleEvent(event);
    }
    if (display && ioBroken) LoseDisplay();
}

void X11InputCapture::Shared::HandleEvent(XEvent& event) {
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != xiOpcode) return;
    if (!XGetEventData(display, &cookie)) return;
    const auto time = std::chrono::steady_clock::now();
    const auto& raw = *static_cast<const XIRawEvent*>(cookie.data);
    const int type = cookie.evtype;
    const int detail = raw.detail;
    // A master device's copy of an event comes from one of its slaves.
    const bool fromMaster = raw.deviceid != raw.sourceid;
    XFreeEventData(display, &cookie);
    if (fromMaster) return;
    switch (type) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease:
            if (!capture || !TakeTransition(capture->keysDown, detail, type == XI_RawKeyPress))
                break;
            if (const std::optional<ScanCode> scan = ScanCodeOfXKeycode(detail)) {
                Deliver(KeyInput{type == XI_RawKeyPress, scan->code, scan->extended}, time);
            }
            break;
        case XI_RawButtonPress:
        case XI_RawButtonRelease: {
            const std::optional<MouseButton> button = MouseButtonOfX(detail);
            if (!button || !capture || !capture->request.mouseButtons ||
                !TakeTransition(capture->buttonsDown, detail, type == XI_RawButtonPress))
                break;
            // Raw events carry no position: the pointer's, read now, stands
            // in for it (a press rarely comes while the pointer moves).
            Window root = 0, child = 0;
            int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
            unsigned int mask = 0;
            XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY,
                          &windowX, &windowY, &mask);
            if (ioBroken) break;
            Deliver(ButtonInput{type == XI_RawButtonPress, *button, rootX, rootY}, time);
            break;
        }
        default:
            break;
    }
}

void X11InputCapture::Shared::Deliver(std::variant<KeyInput, ButtonInput> event,
                                      std::chrono::steady_clock::time_point time) {
    if (!capture || wantedGeneration.load() != capture->generation || !capture->onInput) return;
    // A copy: the handler may stop the capture, which drops its own.
    const InputHandler handler = capture->onInput;
    handler(CapturedInput{std::move(event), time});
}

CaptureStart X11InputCapture::Shared::OpenDisplay() {
    // libX11 1.8 sets up its thread support by itself, so this connection
    // can live on its own thread beside the toolkit's.
    Display* opened = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!opened) {
        DebugOutputF("input capture: cannot open display '%s'", displayName.c_str());
        return CaptureStart::Unavailable;
    }
    ioBroken = false;
    XSetIOErrorExitHandler(opened, &OnDisplayIoError, &ioBroken);
    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 2;
    bool xi2 = XQueryExtension(opened, "XInputExtension", &opcode, &firstEvent, &firstError);
    if (xi2) {
        // A server older than 2.2 answers BadRequest with its own version.
        const Status status = XIQueryVersion(opened, &major, &minor);
        xi2 = major >= 2 && (status == Success || status == BadRequest);
    }
    if (!xi2) {
        DebugOutput("input capture: the display has no XInput 2");
        XCloseDisplay(opened);
        return CaptureStart::Unavailable;
    }
    display = opened;
    xiOpcode = opcode;
    return CaptureStart::Started;
}

CaptureStart X11InputCapture::Shared::StartCapture(const CaptureRequest& request,
                                                   InputHandler onInput, CaptureLostHandler onLost,
                                                   uint64_t generation) {
    StopCapture();
    if (display && Broken()) LoseDisplay();
    if (!display) {
        const CaptureStart opened = OpenDisplay();
        if (opened != CaptureStart::Started) return opened;
    }
    // Whatever an earlier capture left in the queue is not this one's.
    XSync(display, True);
    const Window root = DefaultRootWindow(display);
    const int grab = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (ioBroken) {
        LoseDisplay();
        return CaptureStart::Failed;
    }
    if (grab != GrabSuccess) {
        DebugOutputF("input capture: keyboard grab refused (%d)", grab);
        return grab == AlreadyGrabbed || grab == GrabFrozen ? CaptureStart::GrabRefused
                                                            : CaptureStart::Failed;
    }
    SelectRawEvents(true, request.mouseButtons);
    // Once Start returns, every key is captured: the selection is in place.
    XSync(display, False);
    if (ioBroken) {
        LoseDisplay();
        return CaptureStart::Failed;
    }
    capture = Capture{request, std::move(onInput), std::move(onLost), generation};
    heldGeneration = generation;
    return CaptureStart::Started;
}

void X11InputCapture::Shared::StopCapture() {
    if (!capture) return;
    capture.reset();
    heldGeneration = 0;
    if (!display) return;
    if (Broken()) {
        LoseDisplay();
        return;
    }
    XUngrabKeyboard(display, CurrentTime);
    SelectRawEvents(false, false);
    // Wait until the server has both, and drop the events still queued.
    XSync(display, True);
    if (ioBroken) LoseDisplay();
}

void X11InputCapture::Shared::SelectRawEvents(bool keys, bool buttons) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (keys) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    if (buttons) {
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
    }
    // Every device: while this client holds the keyboard, the server sends
    // it no raw events of the master keyboard (they go the grab's way, and a
    // core grab carries none), only those of the physical (slave) devices.
    // HandleEvent keeps the slaves' events, so nothing arrives twice.
    XIEventMask mask{XIAllDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

bool X11InputCapture::Shared::Broken() {
    return ioBroken || ConnectionHungUp(display);
}

void X11InputCapture::Shared::LoseDisplay() {
    if (display) {
        DebugOutput("input capture: the display connection broke");
        KeepBrokenDisplay(display);
        display = nullptr;
    }
    if (!capture) return;
    const CaptureLostHandler onLost = std::move(capture->onLost);
    const uint64_t generation = capture->generation;
    capture.reset();
    heldGeneration = 0;
    if (onLost && wantedGeneration.load() == generation) onLost();
}

void X11InputCapture::Shared::CloseDisplay() {
    if (!display) return;
    if (Broken()) {
        LoseDisplay();
        return;
    }
    XCloseDisplay(display);
    display = nullptr;
}

X11InputCapture::X11InputCapture(std::string displayName)
    : shared_(std::make_shared<Shared>(std::move(displayName))) {}

X11InputCapture::~X11InputCapture() {
    shared_->wantedGeneration = 0;
    if (!thread_.joinable()) return;
    auto command = std::make_shared<Command>();
    command->kind = CommandKind::End;
    shared_->Post(command);
    // From one of its own handlers the thread cannot be waited for; it ends
    // once the handler returns.
    if (OnCaptureThread()) {
        thread_.detach();
    } else if (shared_->WaitForEnd()) {
        thread_.join();
    } else {
        DebugOutput("input capture: the capture thread did not end in time; left to end");
        thread_.detach();
    }
}

bool X11InputCapture::OnCaptureThread() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->threadId == std::this_thread::get_id();
}

bool X11InputCapture::StartThread() {
    if (thread_.joinable()) return true;
    shared_->wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!shared_->wake.Valid()) return false;
    try {
        thread_ = std::thread([shared = shared_] { shared->Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    std::lock_guard lock(shared_->mutex);
    shared_->threadId = thread_.get_id();
    return true;
}

CaptureStart X11InputCapture::Start(const CaptureRequest& request, InputHandler onInput,
                                    CaptureLostHandler onLost) {
    if (OnCaptureThread()) {
        const uint64_t generation = shared_->NewGeneration();
        shared_->wantedGeneration = generation;
        return shared_->StartCapture(request, std::move(onInput), std::move(onLost), generation);
    }
    std::lock_guard caller(callerMutex_);
    const uint64_t generation = shared_->NewGeneration();
    shared_->wantedGeneration = generation;
    if (!StartThread()) return CaptureStart::Failed;
    auto command = std::make_shared<Command>();
    command->kind = CommandKind::Start;
    command->request = request;
    command->onInput = std::move(onInput);
    command->onLost = std::move(onLost);
    command->generation = generation;
    shared_->Post(command);
    if (const std::optional<CaptureStart> result = shared_->WaitForAnswer(command)) {
        return *result;
    }
    DebugOutput("input capture: the display did not answer the grab in time");
    uint64_t expected = generation;
    shared_->wantedGeneration.compare_exchange_strong(expected, 0);
    return CaptureStart::Failed;
}

void X11InputCapture::Stop() {
    shared_->wantedGeneration = 0;
    if (OnCaptureThread()) {
        shared_->StopCapture();
        return;
    }
    std::lock_guard caller(callerMutex_);
    if (!thread_.joinable()) return;
    auto command = std::make_shared<Command>();
    command->kind = CommandKind::Stop;
    shared_->Post(command);
    if (!shared_->WaitForAnswer(command)) {
        DebugOutput("input capture: the display did not answer the ungrab in time");
    }
}

bool X11InputCapture::Capturing() const {
    const uint64_t held = shared_->heldGeneration.load();
    return held != 0 && held == shared_->wantedGeneration.load();
}

}  // namespace kelno::input
