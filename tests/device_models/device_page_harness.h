#pragma once
// What the device page tests share: the factory that builds the pages of
// the test layouts, the UI thread's pump of a headless window, and the
// command codes an emulated device received.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <future>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devices/hid/command_report.h"
#include "devices/models/keyboard_device.h"
#include "devices/models/mouse_device.h"
#include "devices/models/mouse_pad_device.h"
#include "panels/widgets/widget_factory.h"
#include "platform/sim/sim_command_device.h"
#include "skin_core/skin_fixture.h"
#include "support/eventually.h"

namespace kelno::test {

class DevicePageFactory : public skin::IDialogBuilderCallback {
  public:
    explicit DevicePageFactory(std::shared_ptr<hid::HidBackend> backend)
        : backend_(std::move(backend)) {}
    skin::CControlUI* CreateControl(const std::string& className) override {
        if (className == "ZembravaKeyboardDevice") return new CZembravaKeyboardDevice(backend_);
        if (className == "ZembravaMouseDevice") return new CZembravaMouseDevice(backend_);
        if (className == "ZembravaMousePadDevice") return new CZembravaMousePadDevice(backend_);
        return widgets::CreateWidget(className);
    }

  private:
    std::shared_ptr<hid::HidBackend> backend_;
};

// The opcode of a command report the host wrote.
inline uint8_t CodeOf(const std::vector<uint8_t>& request) {
    return request.size() > 3 ? request[3] : 0;
}

inline std::vector<uint8_t> CommandCodesOf(const sim::SimCommandDevice& device) {
    std::vector<uint8_t> codes;
    for (const auto& request : device.CommandRequests()) codes.push_back(CodeOf(request));
    return codes;
}

// Runs the window's posted tasks until `done` holds (or a generous hang
// guard ends).
inline bool PumpUntil(skin::test::SkinWindow& window, const std::function<bool()>& done) {
    return Eventually(done, [&window] { window.host.RunPendingTasks(); });
}

// The writes the page queued have reached the device, and what they post
// back (and what that queued in turn: a state sent back) has run.
inline void Settle(CZembravaUSBDevice& page, skin::test::SkinWindow& window) {
    for (int round = 0; round < 10; ++round) {
        ASSERT_TRUE(page.WaitForDeviceWork(std::chrono::seconds(10)));
        if (window.host.RunPendingTasks() == 0) return;
    }
}

// A still lighting mode after an animated one, chosen while a command
// transaction holds the channel: the frame the lighting thread has to give
// up then must be sent again once the channel is free, so the device ends
// on the still frame and not on the effect's last one. The transaction is
// slowed by the emulator's latency so the change surely lands inside it.
struct StillModeCase {
    const char* name;
    int animatedMode;
    int stillMode;
    // What the device must show at the end.
    std::function<bool(const std::vector<uint8_t>& frame)> isStillFrame;
};

inline void ExpectTheStillFrameDespiteABusyChannel(CZembravaUSBDevice& page,
                                                   sim::SimCommandDevice& device,
                                                   skin::test::SkinWindow& window,
                                                   const StillModeCase& c) {
    LightSetting light = page.GetLightSettings();
    light[LightSetting::kMode] = static_cast<uint8_t>(c.animatedMode);
    light[LightSetting::kBrightness] = 4;
    light[LightSetting::kSpeed] = 5;
    // Many colours, so every effect changes its frames as it runs.
    light[LightSetting::kMultiColor] = 1;
    light[LightSetting::kRed] = 0xFF;
    light[LightSetting::kGreen] = 0;
    light[LightSetting::kBlue] = 0;
    const uint64_t before = page.LightFramesSent();
    page.SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    ASSERT_TRUE(PumpUntil(window, [&] { return page.LightFramesSent() >= before + 2; })) << c.name;

    device.SetLatency(std::chrono::milliseconds(300));
    auto command = std::async(std::launch::async, [&page] {
        std::array<uint8_t, kDeviceInfoSize> info{};
        return page.CommandChannel().ReadInfo(info);
    });
    ASSERT_TRUE(PumpUntil(window, [&] { return page.CommandChannel().IsBusy(); })) << c.name;
    light[LightSetting::kMode] = static_cast<uint8_t>(c.stillMode);
    light[LightSetting::kMultiColor] = 0;
    page.SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    EXPECT_EQ(command.get(), kChannelOk) << c.name;
    device.SetLatency(std::chrono::microseconds(0));

    std::vector<uint8_t> frame;
    EXPECT_TRUE(PumpUntil(window, [&] {
        frame = device.LightFrame();
        return c.isStillFrame(frame);
    })) << c.name << ": the device was left on another frame";
}

// Every LED the same colour with no green or blue (red steady), or dark.
inline bool IsSteadyRed(const std::vector<uint8_t>& frame) {
    if (frame.empty() || frame[0] == 0) return false;
    for (size_t i = 0; i + 2 < frame.size(); i += 3)
        if (frame[i] != frame[0] || frame[i + 1] != 0 || frame[i + 2] != 0) return false;
    return true;
}
inline bool IsDark(const std::vector<uint8_t>& frame) {
    return !frame.empty() &&
           std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace kelno::test
