#pragma once
// What the device page tests share: the factory that builds the pages of
// the test layouts, the UI thread's pump of a headless window, and the
// command codes an emulated device received.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devices/models/keyboard_device.h"
#include "devices/models/mouse_device.h"
#include "devices/models/mouse_pad_device.h"
#include "panels/widgets/widget_factory.h"
#include "platform/sim/sim_command_device.h"
#include "skin_core/skin_fixture.h"

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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        window.host.RunPendingTasks();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The writes the page queued have reached the device, and what they post
// back has run.
inline void Settle(CZembravaUSBDevice& page, skin::test::SkinWindow& window) {
    ASSERT_TRUE(page.WaitForDeviceWork(std::chrono::seconds(10)));
    window.host.RunPendingTasks();
}

}  // namespace kelno::test
