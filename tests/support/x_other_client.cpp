#include "support/x_other_client.h"

#include <X11/Xlib.h>
#include <poll.h>

namespace kelno::test {

XOtherClient::XOtherClient(const std::string& display, std::chrono::milliseconds wait)
    : x_(XOpenDisplay(display.c_str())), wait_(wait) {}

XOtherClient::~XOtherClient() {
    if (x_) XCloseDisplay(x_);
}

bool XOtherClient::FocusOwnWindow() {
    const Window root = DefaultRootWindow(x_);
    const Window window = XCreateSimpleWindow(x_, root, 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(x_, window, KeyPressMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(x_, window);
    if (!WaitFor(MapNotify)) return false;
    XSetInputFocus(x_, window, RevertToParent, CurrentTime);
    XSync(x_, False);
    return true;
}

int XOtherClient::GrabKeyboard() {
    const int result =
        XGrabKeyboard(x_, DefaultRootWindow(x_), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XSync(x_, False);
    return result;
}

void XOtherClient::UngrabKeyboard() {
    XUngrabKeyboard(x_, CurrentTime);
    XSync(x_, False);
}

bool XOtherClient::KeyboardIsFree() {
    if (GrabKeyboard() != GrabSuccess) return false;
    UngrabKeyboard();
    return true;
}

bool XOtherClient::WaitForKeyPress() {
    return WaitFor(KeyPress);
}

bool XOtherClient::WaitForGrabEnd() {
    return WaitFor(FocusIn, NotifyUngrab);
}

void XOtherClient::GrabServer() {
    XGrabServer(x_);
    XSync(x_, False);
}

void XOtherClient::UngrabServer() {
    XUngrabServer(x_);
    XSync(x_, False);
}

bool XOtherClient::GotKeyPress() {
    XSync(x_, False);
    XEvent event;
    return XCheckTypedEvent(x_, KeyPress, &event);
}

bool XOtherClient::WaitFor(int type, int mode) {
    struct Wanted {
        int type, mode;
    } wanted{type, mode};
    const auto matches = [](Display*, XEvent* event, XPointer arg) -> Bool {
        const auto* w = reinterpret_cast<const Wanted*>(arg);
        if (event->type != w->type) return False;
        return w->mode < 0 || event->xfocus.mode == w->mode;
    };
    const auto deadline = std::chrono::steady_clock::now() + wait_;
    XEvent event;
    while (!XCheckIfEvent(x_, &event, matches, reinterpret_cast<XPointer>(&wanted))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{ConnectionNumber(x_), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
        XEventsQueued(x_, QueuedAfterReading);
    }
    return true;
}

}  // namespace kelno::test
