#pragma once
// GTK under a private Xvfb for tests: one display per test program, and a
// main-context pump with a hang guard.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <memory>

#include "xvfb_display.h"

namespace kelno::skin::test {

// Starts Xvfb and GTK once per process; false (with a reason) when not
// possible, and the caller skips.
bool EnsureGtkDisplay(std::string* reason);

// Runs the default main context until `done` is true or `limit` passed (a
// hang guard, not a timing check). Returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Runs pending events for a short while (lets the X server answer).
void PumpFor(std::chrono::milliseconds span);

// Real input through the X server (XTest), so grabs and focus apply.
// Points are in screen pixels.
void FakePointerMove(int x, int y);
void FakeButton(unsigned button, bool press);
void FakeKey(unsigned keysym, bool press);
// The screen position of `window`'s top-left corner.
void WindowOrigin(GdkWindow* window, int* x, int* y);

#define KELNO_REQUIRE_DISPLAY()                                       \
    do {                                                              \
        std::string whyNot;                                           \
        if (!::kelno::skin::test::EnsureGtkDisplay(&whyNot))          \
            GTEST_SKIP() << "no X display for GTK tests: " << whyNot; \
    } while (0)

}  // namespace kelno::skin::test
