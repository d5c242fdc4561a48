#pragma once
// Waiting in a test for what another thread or process brings about: one
// bounded loop for every test. The bound is a hang guard only; no test
// states how long something takes.

#include <chrono>
#include <functional>
#include <thread>

namespace kelno::test {

// Generous: a sanitizer build on a loaded two-core machine is slow.
inline constexpr std::chrono::seconds kHangGuard{20};

// Asks `done` until it holds. Before each ask runs `between` (a test that
// is its window's UI thread runs the posted tasks there), and after each
// miss pauses `pause`. False when the hang guard ran out first.
inline bool Eventually(const std::function<bool()>& done, const std::function<void()>& between = {},
                       std::chrono::milliseconds bound = kHangGuard,
                       std::chrono::milliseconds pause = std::chrono::milliseconds(2)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (between) between();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace kelno::test
