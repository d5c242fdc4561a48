#include "gtk_test_support.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <cstdlib>

namespace kelno::skin::test {

bool EnsureGtkDisplay(std::string* reason) {
    static std::unique_ptr<XvfbDisplay> display;
    static bool ready = false;
    static std::string failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        display = std::make_unique<XvfbDisplay>();
        if (!display->Running()) {
            failure = display->Reason();
        } else {
            setenv("DISPLAY", display->Name().c_str(), 1);
            unsetenv("WAYLAND_DISPLAY");
            setenv("GDK_BACKEND", "x11", 1);
            setenv("GTK_IM_MODULE", "gtk-im-context-simple", 1);
            ready = gtk_init_check(nullptr, nullptr) != FALSE;
            if (!ready) failure = "gtk_init_check failed on " + display->Name();
        }
    }
    if (reason != nullptr) *reason = failure;
    return ready;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    // A periodic source so the blocking iteration wakes to re-check `done`.
    guint tick = g_timeout_add(
        10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    g_source_remove(tick);
    return done();
}

void PumpFor(std::chrono::milliseconds span) {
    auto until = std::chrono::steady_clock::now() + span;
    PumpUntil([&] { return std::chrono::steady_clock::now() >= until; }, span * 2);
}

namespace {

Display* XDisplay() {
    return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

}  // namespace

void FakePointerMove(int x, int y) {
    XTestFakeMotionEvent(XDisplay(), -1, x, y, CurrentTime);
    XFlush(XDisplay());
}

void FakeButton(unsigned button, bool press) {
    XTestFakeButtonEvent(XDisplay(), button, press ? True : False, CurrentTime);
    XFlush(XDisplay());
}

void FakeKey(unsigned keysym, bool press) {
    KeyCode code = XKeysymToKeycode(XDisplay(), keysym);
    XTestFakeKeyEvent(XDisplay(), code, press ? True : False, CurrentTime);
    XFlush(XDisplay());
}

void WindowOrigin(GdkWindow* window, int* x, int* y) {
    gdk_window_get_origin(window, x, y);
}

}  // namespace kelno::skin::test
