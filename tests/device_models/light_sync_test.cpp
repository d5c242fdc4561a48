// Same-mode synchronisation: the mode table both ways, what each target
// stores, the shared animation's steps, and the thread that paints every
// held device and sleeps while none is held.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "devices/models/light_sync.h"
#include "devices/models/usb_device.h"
#include "platform/sim/sim_device_set.h"
#include "support/eventually.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;
using lightsync::SyncAnimation;

LightSetting Setting(uint8_t mode, uint8_t brightness, uint8_t speed, uint8_t direction = 1,
                     uint8_t multiColour = 0) {
    LightSetting light;
    light[LightSetting::kMode] = mode;
    light[LightSetting::kBrightness] = brightness;
    light[LightSetting::kSpeed] = speed;
    light[LightSetting::kDirection] = direction;
    light[LightSetting::kMultiColor] = multiColour;
    light[LightSetting::kRed] = 200;
    light[LightSetting::kGreen] = 100;
    light[LightSetting::kBlue] = 50;
    return light;
}

TEST(LightSync, ModesTranslateBetweenKinds) {
    struct Case {
        int kind, mode;
        std::optional<int> code;
        int keyboardMode, otherMode;
    } cases[] = {
        {2, 2, lightsync::kBreathing, 6, 2},  {1, 5, lightsync::kSteady, 5, 3},
        {3, 4, lightsync::kBlinking, 17, 4},  {7, 1, lightsync::kColourCycle, 1, 1},
        {1, 23, lightsync::kOff, 23, 8},      {1, 7, std::nullopt, 0, 0},
        {2, 0, std::nullopt, 0, 0},           {6, 8, lightsync::kOff, 23, 8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lightsync::CommonCode(c.kind == 6 ? 2 : c.kind, c.mode), c.code)
            << c.kind << "/" << c.mode;
        if (!c.code) continue;
        EXPECT_EQ(lightsync::KindMode(1, *c.code), c.keyboardMode);
        EXPECT_EQ(lightsync::KindMode(3, *c.code), c.otherMode);
    }
}

TEST(LightSync, TargetsKeepTheSourceWithinTheirOwnMaxima) {
    const LightSetting keyboard = Setting(6, 20, 5);
    const LightSetting mouse = lightsync::TargetSetting(keyboard, 2, lightsync::kBreathing);
    EXPECT_EQ(mouse[LightSetting::kMode], 2);
    EXPECT_EQ(mouse[LightSetting::kBrightness], 4);
    EXPECT_EQ(mouse[LightSetting::kSpeed], 4);
    EXPECT_EQ(mouse[LightSetting::kRed], 200);
    const LightSetting back = lightsync::TargetSetting(Setting(2, 3, 2), 1, lightsync::kBreathing);
    EXPECT_EQ(back[LightSetting::kMode], 6);
    EXPECT_EQ(back[LightSetting::kBrightness], 3);
}

TEST(LightSync, AnimationSteps) {
    const auto t0 = SyncAnimation::Clock::time_point{} + 1h;
    SyncAnimation steady(lightsync::kSteady, Setting(3, 24, 2));
    EXPECT_EQ(steady.Step(t0), (LedColour{200, 100, 50, 255}));

    // Breathing backwards wraps from 0 to 127 and follows the curve.
    SyncAnimation breathing(lightsync::kBreathing, Setting(2, 24, 2, 0));
    EXPECT_EQ(breathing.Step(t0).level, 255 * kBreathingCurve[127] / 256);

    // Blinking toggles after T[speed] x 100 ms: 2.8 s at speed 0.
    SyncAnimation blink(lightsync::kBlinking, Setting(4, 24, 0));
    EXPECT_EQ(blink.Step(t0).level, 255) << "the first step turns it on";
    EXPECT_EQ(blink.Step(t0 + 2799ms).level, 255);
    EXPECT_EQ(blink.Step(t0 + 2800ms), LedColour{});
    EXPECT_EQ(blink.Step(t0 + 5600ms).level, 255);

    SyncAnimation cycle(lightsync::kColourCycle, Setting(1, 24, 2));
    const Rgb second = kColourWheel[1];
    EXPECT_EQ(cycle.Step(t0), (LedColour{second.red, second.green, second.blue, 255}));
    EXPECT_EQ(SyncAnimation(lightsync::kOff, Setting(8, 24, 2)).Step(t0), LedColour{});
}

TEST(LightSync, TheThreadPaintsHeldDevicesAndSleepsWhenNoneIs) {
    sim::SimDeviceSet devices;
    ASSERT_TRUE(devices.Plug(sim::SimKind::Mouse));
    CZembravaUSBDevice held(devices.Backend()), free(devices.Backend());
    held.SetLedCount(6);
    free.SetLedCount(6);
    const auto paths = devices.Backend()->Paths("mouse");
    ASSERT_TRUE(held.OpenCommandChannel(paths.back()));
    ASSERT_TRUE(free.OpenCommandChannel(paths.back()));
    held.CommandChannel().SetLightingHold(true);

    LightSynchroniser synchroniser({&held, &free});
    synchroniser.Start();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(synchroniser.Steps(), 0u) << "nothing begun: no steps";

    synchroniser.Begin(lightsync::kSteady, Setting(3, 24, 5));
    test::Eventually([&] { return held.GetLedColour(5) != 0; });
    EXPECT_EQ(held.GetLedColour(5), PackLedEntry(LedColour{200, 100, 50, 255}));
    EXPECT_EQ(free.GetLedColour(5), 0u) << "a device not held keeps its own lights";
    const uint64_t painted = synchroniser.Steps();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(synchroniser.Steps(), painted) << "a steady colour is painted once";

    // Nobody held: one more step finds that out, then the thread sleeps.
    held.CommandChannel().SetLightingHold(false);
    std::this_thread::sleep_for(100ms);
    const uint64_t steps = synchroniser.Steps();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(synchroniser.Steps(), steps);
    EXPECT_TRUE(synchroniser.Stop());
    held.StopThreads();
    free.StopThreads();
}

}  // namespace
}  // namespace kelno
