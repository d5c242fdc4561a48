// The X11 backend on a private Xvfb (skipped without one), read back from
// the server over a connection of the test's own.
#include "platform/linux/linux_input_settings.h"

// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
#include <unistd.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

#include <memory>
#include <string>

#include "xvfb_display.h"

namespace kelno::input_settings {
namespace {

using skin::test::XvfbDisplay;

struct Acceleration {
    int numerator = 0, denominator = 0, threshold = 0;
    bool operator==(const Acceleration&) const = default;
};

struct Repeat {
    unsigned delayMs = 0, intervalMs = 0;
    bool operator==(const Repeat&) const = default;
};

class X11InputSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        xvfb_ = std::make_unique<XvfbDisplay>();
        if (!xvfb_->Running()) GTEST_SKIP() << xvfb_->Reason();
        display_ = XOpenDisplay(xvfb_->Name().c_str());
        ASSERT_NE(display_, nullptr);
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    Acceleration ServerAcceleration() {
        Acceleration result;
        XGetPointerControl(display_, &result.numerator, &result.denominator, &result.threshold);
        return result;
    }
    Repeat ServerRepeat() {
        Repeat result;
        EXPECT_TRUE(
            XkbGetAutoRepeatRate(display_, XkbUseCoreKbd, &result.delayMs, &result.intervalMs));
        return result;
    }

    std::unique_ptr<XvfbDisplay> xvfb_;
    Display* display_ = nullptr;
};

TEST_F(X11InputSettingsTest, SpeedAndPrecisionMakeOnePointerAcceleration) {
    X11InputSettings settings(xvfb_->Name());

    EXPECT_EQ(settings.SetPointerSpeed(15), Outcome::Applied);
    EXPECT_EQ(ServerAcceleration(), (Acceleration{15, 10, 4}));
    // Precision off: no acceleration, whatever the speed.
    EXPECT_EQ(settings.SetPointerPrecision(false), Outcome::Applied);
    EXPECT_EQ(ServerAcceleration(), (Acceleration{1, 1, 4}));
    EXPECT_EQ(settings.SetPointerSpeed(3), Outcome::Applied);
    EXPECT_EQ(ServerAcceleration(), (Acceleration{1, 1, 4}));
    // Back on: the speed chosen meanwhile counts.
    EXPECT_EQ(settings.SetPointerPrecision(true), Outcome::Applied);
    EXPECT_EQ(ServerAcceleration(), (Acceleration{3, 10, 4}));
}

TEST_F(X11InputSettingsTest, RateAndDelayMakeOneAutoRepeat) {
    X11InputSettings settings(xvfb_->Name());

    EXPECT_EQ(settings.SetKeyRepeatRate(0), Outcome::Applied);
    EXPECT_EQ(settings.SetKeyRepeatDelay(3), Outcome::Applied);
    EXPECT_EQ(ServerRepeat(), (Repeat{1000, 400}));
    // The delay is kept when the rate changes, and the other way round.
    EXPECT_EQ(settings.SetKeyRepeatRate(31), Outcome::Applied);
    EXPECT_EQ(ServerRepeat(), (Repeat{1000, 33}));
    EXPECT_EQ(settings.SetKeyRepeatDelay(0), Outcome::Applied);
    EXPECT_EQ(ServerRepeat(), (Repeat{250, 33}));
}

TEST_F(X11InputSettingsTest, WheelAndDoubleClickAreNotServerSettings) {
    X11InputSettings settings(xvfb_->Name());
    EXPECT_EQ(settings.SetWheelLines(3), Outcome::NotSupported);
    EXPECT_EQ(settings.SetDoubleClickTime(300), Outcome::NotSupported);
}

TEST(X11InputSettingsGone, AServerThatIsGoneFailsEachCall) {
    // A display no server holds. The number of a server this test stopped
    // could be taken at once by another test's server (they run side by
    // side), so the number is one no server is given by default.
    std::string name;
    for (int number = 60000; number < 60100 && name.empty(); ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (access(socket.c_str(), F_OK) != 0 && access(lock.c_str(), F_OK) != 0)
            name = ":" + std::to_string(number);
    }
    ASSERT_FALSE(name.empty());
    X11InputSettings settings(name);
    EXPECT_EQ(settings.SetPointerSpeed(15), Outcome::Failed);
    EXPECT_EQ(settings.SetPointerPrecision(false), Outcome::Failed);
    EXPECT_EQ(settings.SetKeyRepeatRate(10), Outcome::Failed);
    EXPECT_EQ(settings.SetKeyRepeatDelay(1), Outcome::Failed);
}

}  // namespace
}  // namespace kelno::input_settings
