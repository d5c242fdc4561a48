// The X11 input capture on a private Xvfb, driven by XTEST from other
// connections the way a user's keyboard and mouse drive the real server.
#include "platform/linux/x11_input_capture.h"

// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
// clang-format on
#include <poll.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/linux/evdev_scan_codes.h"
#include "support/x_other_client.h"
#include "xvfb_display.h"

namespace kelno::input {
namespace {

using skin::test::XvfbDisplay;

// Waits are generous: they end as soon as what they wait for happens.
constexpr auto kWait = std::chrono::seconds(10);

// evdev codes of the keys the tests type.
constexpr int kKeyA = 30, kKeyB = 48, kKeyC = 46, kCapsLock = 58;

// What a capture reported, waited for from the test's thread.
class InputLog {
  public:
    InputHandler OnInput() {
        return [this](const CapturedInput& input) {
            std::lock_guard lock(mutex_);
            inputs_.push_back(input);
            changed_.notify_all();
        };
    }
    CaptureLostHandler OnLost() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++losses_;
            changed_.notify_all();
        };
    }
    bool WaitForInputs(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kWait, [&] { return inputs_.size() >= count; });
    }
    bool WaitForLoss() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kWait, [&] { return losses_ > 0; });
    }
    std::vector<CapturedInput> Inputs() const {
        std::lock_guard lock(mutex_);
        return inputs_;
    }
    int Losses() const {
        std::lock_guard lock(mutex_);
        return losses_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<CapturedInput> inputs_;
    int losses_ = 0;
};

using Event = std::variant<KeyInput, ButtonInput>;

std::vector<Event> EventsOf(const std::vector<CapturedInput>& inputs) {
    std::vector<Event> events;
    for (const CapturedInput& input : inputs) events.push_back(input.event);
    return events;
}

// A press and a release of the key with this evdev code, as reported.
std::vector<Event> Stroke(int evdev) {
    const ScanCode scan = ScanCodeOfEvdevKey(evdev).value();
    return {KeyInput{true, scan.code, scan.extended}, KeyInput{false, scan.code, scan.extended}};
}

std::vector<Event> Strokes(std::initializer_list<int> keys) {
    std::vector<Event> events;
    for (int key : keys) {
        for (const Event& event : Stroke(key)) events.push_back(event);
    }
    return events;
}

using OtherClient = test::XOtherClient;

class X11InputCaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        xvfb_ = std::make_unique<XvfbDisplay>();
        if (!xvfb_->Running()) GTEST_SKIP() << xvfb_->Reason();
        injector_ = XOpenDisplay(Name().c_str());
        ASSERT_NE(injector_, nullptr);
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(injector_, &event, &error, &major, &minor)) {
            GTEST_SKIP() << "the X server has no XTEST";
        }
    }
    void TearDown() override { StopServer(); }

    const std::string& Name() const { return xvfb_->Name(); }

    // What a user's keyboard and mouse would do, through XTEST.
    void Type(int evdev) {
        XTestFakeKeyEvent(injector_, evdev + kXKeycodeOffset, True, CurrentTime);
        XTestFakeKeyEvent(injector_, evdev + kXKeycodeOffset, False, CurrentTime);
        XSync(injector_, False);
    }
    void Click(unsigned int button) {
        XTestFakeButtonEvent(injector_, button, True, CurrentTime);
        XTestFakeButtonEvent(injector_, button, False, CurrentTime);
        XSync(injector_, False);
    }
    void MovePointer(int x, int y) {
        XTestFakeMotionEvent(injector_, 0, x, y, CurrentTime);
        XSync(injector_, False);
    }
    bool CapsLockOn() {
        XkbStateRec state{};
        XkbGetState(injector_, XkbUseCoreKbd, &state);
        return (state.locked_mods & LockMask) != 0;
    }
    // The server goes away; the test's own connection is closed first.
    void StopServer() {
        if (injector_) XCloseDisplay(injector_);
        injector_ = nullptr;
        xvfb_.reset();
    }

    std::unique_ptr<XvfbDisplay> xvfb_;
    Display* injector_ = nullptr;
};

TEST_F(X11InputCaptureTest, InjectedKeysArriveAsScanCodes) {
    InputLog log;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    EXPECT_TRUE(capture.Capturing());

    // Plain and E0 keys, a keypad key, and the two that share 45.
    const int keys[] = {kKeyA,
                        97 /* Right Ctrl */,
                        111 /* Delete */,
                        96 /* Keypad Enter */,
                        79 /* Keypad 1 */,
                        125 /* Left Windows */,
                        69 /* Num Lock */,
                        119 /* Pause */};
    const auto before = std::chrono::steady_clock::now();
    for (int key : keys) Type(key);
    ASSERT_TRUE(log.WaitForInputs(2 * std::size(keys)));

    const std::vector<CapturedInput> inputs = log.Inputs();
    EXPECT_EQ(EventsOf(inputs), Strokes({kKeyA, 97, 111, 96, 79, 125, 69, 119}));
    // Stamped by the capture when it read them, in order.
    auto previous = before;
    for (const CapturedInput& input : inputs) {
        EXPECT_GE(input.time, previous);
        previous = input.time;
    }
    EXPECT_EQ(log.Losses(), 0);
}

// Modifiers tapped fast, as a macro recording sees them: each tap is one
// press and one release. An XTEST tool (xdotool) releases a modifier a
// second time after each stroke, and the server reports that release too;
// a release of a key that is not down is no input (the recorder would keep
// it as an action of its own).
TEST_F(X11InputCaptureTest, TappedModifiersArriveOnceEach) {
    InputLog log;
    // Held before the capture begins: its release belongs to no press.
    XTestFakeKeyEvent(injector_, kKeyC + kXKeycodeOffset, True, CurrentTime);
    XSync(injector_, False);
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    XTestFakeKeyEvent(injector_, kKeyC + kXKeycodeOffset, False, CurrentTime);
    constexpr int kTaps = 100;
    const int modifiers[] = {42 /* Left Shift */, 29 /* Left Ctrl */, 56 /* Left Alt */,
                             54 /* Right Shift */};
    for (int tap = 0; tap < kTaps; ++tap) {
        const int key = modifiers[tap % std::size(modifiers)];
        Type(key);
        XTestFakeKeyEvent(injector_, key + kXKeycodeOffset, False, CurrentTime);
    }
    ASSERT_TRUE(log.WaitForInputs(2 * kTaps)) << log.Inputs().size();
    std::vector<Event> expected;
    for (int tap = 0; tap < kTaps; ++tap)
        for (const Event& event : Stroke(modifiers[tap % std::size(modifiers)]))
            expected.push_back(event);
    EXPECT_EQ(EventsOf(log.Inputs()), expected);
    // Nothing more comes after the last release.
    capture.Stop();
    EXPECT_EQ(log.Inputs().size(), static_cast<size_t>(2 * kTaps));
}

TEST_F(X11InputCaptureTest, CapturedKeysReachNoOtherClientUntilStop) {
    OtherClient other(Name());
    ASSERT_TRUE(other.Connected());
    ASSERT_TRUE(other.FocusOwnWindow());
    Type(kKeyA);
    ASSERT_TRUE(other.WaitForKeyPress()) << "the focused window gets keys without a capture";

    InputLog log;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    Type(kKeyB);
    ASSERT_TRUE(log.WaitForInputs(2));
    EXPECT_FALSE(other.GotKeyPress());

    capture.Stop();
    EXPECT_FALSE(capture.Capturing());
    Type(kKeyC);
    EXPECT_TRUE(other.WaitForKeyPress());
    // After Stop the capture reports nothing.
    EXPECT_EQ(EventsOf(log.Inputs()), Stroke(kKeyB));
}

TEST_F(X11InputCaptureTest, CapsLockStillTogglesWhileCaptured) {
    ASSERT_FALSE(CapsLockOn());
    InputLog log;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    Type(kCapsLock);
    ASSERT_TRUE(log.WaitForInputs(2));
    EXPECT_EQ(EventsOf(log.Inputs()), Stroke(kCapsLock));
    EXPECT_TRUE(CapsLockOn());
}

TEST_F(X11InputCaptureTest, AKeyboardHeldByAnotherClientRefusesTheStart) {
    OtherClient grabber(Name());
    ASSERT_TRUE(grabber.Connected());
    ASSERT_EQ(grabber.GrabKeyboard(), GrabSuccess);

    InputLog refused;
    X11InputCapture capture(Name());
    EXPECT_EQ(capture.Start({}, refused.OnInput(), refused.OnLost()), CaptureStart::GrabRefused);
    EXPECT_FALSE(capture.Capturing());
    Type(kKeyB);
    ASSERT_TRUE(grabber.WaitForKeyPress()) << "the key went to the holder of the keyboard";

    // Once the keyboard is free the capture starts, and only what is typed
    // from then on reaches it.
    grabber.UngrabKeyboard();
    InputLog started;
    ASSERT_EQ(capture.Start({}, started.OnInput(), started.OnLost()), CaptureStart::Started);
    Type(kKeyC);
    ASSERT_TRUE(started.WaitForInputs(2));
    EXPECT_EQ(EventsOf(started.Inputs()), Stroke(kKeyC));
    EXPECT_TRUE(refused.Inputs().empty());
}

TEST_F(X11InputCaptureTest, MouseButtonsAreReportedOnlyWhenAskedFor) {
    MovePointer(321, 123);
    InputLog keysOnly;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, keysOnly.OnInput(), keysOnly.OnLost()), CaptureStart::Started);
    Click(1);
    Type(kKeyA);  // arrives after the click would have
    ASSERT_TRUE(keysOnly.WaitForInputs(2));
    EXPECT_EQ(EventsOf(keysOnly.Inputs()), Stroke(kKeyA));

    InputLog withButtons;
    ASSERT_EQ(capture.Start({.mouseButtons = true}, withButtons.OnInput(), withButtons.OnLost()),
              CaptureStart::Started);
    struct Case {
        unsigned int xButton;
        MouseButton button;
    };
    const Case cases[] = {{1, MouseButton::Left},
                          {3, MouseButton::Right},
                          {2, MouseButton::Middle},
                          {8, MouseButton::Back},
                          {9, MouseButton::Forward}};
    std::vector<Event> expected;
    for (const Case& c : cases) {
        Click(c.xButton);
        expected.push_back(ButtonInput{true, c.button, 321, 123});
        expected.push_back(ButtonInput{false, c.button, 321, 123});
    }
    // The wheel's buttons are no buttons to record.
    for (unsigned int wheel : {4u, 5u, 6u, 7u}) Click(wheel);
    Type(kKeyB);
    for (const Event& event : Stroke(kKeyB)) expected.push_back(event);
    ASSERT_TRUE(withButtons.WaitForInputs(expected.size()));
    EXPECT_EQ(EventsOf(withButtons.Inputs()), expected);
    EXPECT_EQ(keysOnly.Inputs().size(), 2u) << "the first capture ended with the second Start";
}

TEST_F(X11InputCaptureTest, ASecondStartReplacesTheFirstWithoutDoubling) {
    InputLog first, second;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({.mouseButtons = true}, first.OnInput(), first.OnLost()),
              CaptureStart::Started);
    ASSERT_EQ(capture.Start({.mouseButtons = true}, second.OnInput(), second.OnLost()),
              CaptureStart::Started);
    Type(kKeyA);
    Type(kKeyB);
    ASSERT_TRUE(second.WaitForInputs(4));
    EXPECT_EQ(EventsOf(second.Inputs()), Strokes({kKeyA, kKeyB}));
    EXPECT_TRUE(first.Inputs().empty());
}

TEST_F(X11InputCaptureTest, StopIsHarmlessWithoutACapture) {
    X11InputCapture capture(Name());
    capture.Stop();
    EXPECT_FALSE(capture.Capturing());

    InputLog log;
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    capture.Stop();
    capture.Stop();
    EXPECT_FALSE(capture.Capturing());
    OtherClient other(Name());
    EXPECT_EQ(other.GrabKeyboard(), GrabSuccess);
    EXPECT_EQ(log.Losses(), 0);
}

TEST_F(X11InputCaptureTest, TheKeyboardIsFreeOnceTheCaptureEnds) {
    OtherClient other(Name());
    ASSERT_TRUE(other.Connected());
    {
        // Destroyed while capturing.
        X11InputCapture capture(Name());
        InputLog log;
        ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    }
    ASSERT_EQ(other.GrabKeyboard(), GrabSuccess);
    other.UngrabKeyboard();

    // Stopped by its own handler at the first key, as a single-key capture
    // does.
    X11InputCapture capture(Name());
    InputLog log;
    const InputHandler record = log.OnInput();
    ASSERT_EQ(capture.Start(
                  {},
                  [&](const CapturedInput& input) {
                      capture.Stop();
                      record(input);
                  },
                  log.OnLost()),
              CaptureStart::Started);
    Type(kKeyA);
    ASSERT_TRUE(log.WaitForInputs(1));
    EXPECT_EQ(other.GrabKeyboard(), GrabSuccess);
    EXPECT_FALSE(capture.Capturing());
    EXPECT_EQ(log.Inputs().size(), 1u);
}

TEST_F(X11InputCaptureTest, AGrabAnsweredTooLateIsReleased) {
    InputLog log;
    X11InputCapture capture(Name());
    // The connection is open before the server stops answering.
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    capture.Stop();
    OtherClient focused(Name()), freezer(Name());
    ASSERT_TRUE(focused.FocusOwnWindow());

    freezer.GrabServer();
    EXPECT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Failed);
    EXPECT_FALSE(capture.Capturing());
    // The grab goes through once the server answers again, and is let go:
    // nobody knows of it.
    freezer.UngrabServer();
    EXPECT_TRUE(focused.WaitForGrabEnd());
    EXPECT_EQ(focused.GrabKeyboard(), GrabSuccess);
    EXPECT_FALSE(capture.Capturing());
    EXPECT_TRUE(log.Inputs().empty());
}

TEST_F(X11InputCaptureTest, ALostDisplayEndsTheCaptureOnce) {
    InputLog log;
    X11InputCapture capture(Name());
    ASSERT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Started);
    StopServer();
    ASSERT_TRUE(log.WaitForLoss());
    EXPECT_FALSE(capture.Capturing());
    capture.Stop();
    EXPECT_EQ(log.Losses(), 1);
    EXPECT_TRUE(log.Inputs().empty());
}

TEST(X11InputCapture, UnavailableWithoutADisplay) {
    InputLog log;
    X11InputCapture capture(":no-such-display");
    EXPECT_EQ(capture.Start({}, log.OnInput(), log.OnLost()), CaptureStart::Unavailable);
    EXPECT_FALSE(capture.Capturing());
    capture.Stop();
    EXPECT_EQ(log.Losses(), 0);
}

}  // namespace
}  // namespace kelno::input
