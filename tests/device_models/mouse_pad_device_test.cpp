// The mouse pad page against the emulated pad: the first synchronisation
// only reads, the block written from the light setting (clamped, speed on
// the wire as 5 - speed), a read-back that the page follows without
// touching the profile, the channel's real result, and 45-byte frames of
// the chases.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/json_file.h"
#include "device_page_harness.h"
#include "devices/detect/emulator_catalogue.h"
#include "devices/hid/command_report.h"
#include "devices/models/mouse_pad_device.h"
#include "platform/sim/sim_device_set.h"
#include "platform/sim/sim_devices.h"
#include "skin/core/resource_manager.h"
#include "support/temp_folder.h"

namespace kelno::test {
namespace {

const std::filesystem::path kFixtures = KELNO_DEVICE_FIXTURES;

class MousePadPageTest : public testing::Test {
  protected:
    MousePadPageTest() : factory(devices.Backend()), window(skin::Size{600, 500}) {}

    void SetUp() override {
        pad = devices.Plug(sim::SimKind::MousePad);
        ASSERT_NE(pad, nullptr);
        std::filesystem::create_directories(folder / "DefaultData");
        std::filesystem::copy_file(
            std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "MousePad.Json",
            folder / "DefaultData" / "MousePad.Json");
        skin::CPaintManagerUI::SetResourcePath(kFixtures.string() + "/");
        skin::CDialogBuilder builder;
        skin::CControlUI* root =
            builder.Create((kFixtures / "mousepad_page.xml").string(), &factory, &window.pm);
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        window.pm.SetRoot(root);
        page = static_cast<CZembravaMousePadDevice*>(root->GetInterface("ZembravaMousePadDevice"));
        ASSERT_NE(page, nullptr);
        page->SetLayoutFile("mousepad_page.xml");
        page->SetMainWindow([this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
            if (message == UWM_DEVICE_PROFILE_MSG) profileMessages.push_back(int(wParam));
            if (message == UWM_DEVICE_WRITE_MSG) writeResults.push_back(static_cast<int>(lParam));
        });
        page->SetKindName("MousePad");
        page->SetDataFolders(folder / "user", folder / "DefaultData");
        page->InitLayout();
        const std::vector<std::string> paths = devices.Backend()->Paths("mousepad");
        ASSERT_FALSE(paths.empty());
        for (const std::string& path : paths)
            if (path.find("col04") != std::string::npos) vendorPath = path;
        ASSERT_FALSE(vendorPath.empty());
    }
    void TearDown() override {
        if (page) page->StopThreads();
    }
    void Settle() { test::Settle(*page, window); }
    void SetLight(uint8_t mode, uint8_t brightness, uint8_t speed, uint8_t multiColour = 0) {
        LightSetting light = page->Profile().GetLightSetting();
        light[LightSetting::kMode] = mode;
        light[LightSetting::kBrightness] = brightness;
        light[LightSetting::kSpeed] = speed;
        light[LightSetting::kMultiColor] = multiColour;
        page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    }
    std::vector<uint8_t> Written(size_t length) const {
        const std::vector<uint8_t> memory = pad->Memory();
        return {memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(length)};
    }

    TempFolder folder;
    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> pad;
    DevicePageFactory factory;
    skin::test::SkinWindow window;
    CZembravaMousePadDevice* page = nullptr;
    std::string vendorPath;
    std::vector<int> profileMessages;
    std::vector<int> writeResults;
};

TEST_F(MousePadPageTest, TheFirstSynchronisationOnlyReads) {
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    const std::vector<uint8_t> before = pad->Memory();
    pad->ClearExchanges();
    page->InitialSync();
    Settle();
    // The lighting thread it starts may have sent a frame already.
    std::vector<uint8_t> codes = CommandCodesOf(*pad);
    std::erase(codes, CMD_LIGHT_FRAME);
    EXPECT_EQ(codes, (std::vector<uint8_t>{CMD_START, CMD_READ_INFO, CMD_FINISH}));
    EXPECT_EQ(pad->Memory(), before);
    EXPECT_TRUE(page->IsLightingThreadRunning());
}

TEST_F(MousePadPageTest, TheBlockCarriesTheLightSettingClamped) {
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    page->InitialSync();
    Settle();
    struct Case {
        uint8_t mode, brightness, speed;
        std::vector<uint8_t> wire;  // bytes 1-3
    } cases[] = {
        {3, 2, 1, {3, 2, 4}},   // speed 1 goes as 4
        {12, 9, 9, {0, 4, 0}},  // beyond the pad's modes, brightness and speeds
        {7, 0, 5, {7, 0, 0}},
    };
    for (const Case& c : cases) {
        SetLight(c.mode, c.brightness, c.speed);
        EXPECT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelOk);
        Settle();
        const std::vector<uint8_t> written = Written(4);
        EXPECT_EQ(std::vector<uint8_t>(written.begin() + 1, written.end()), c.wire)
            << int{c.mode};
    }
    EXPECT_TRUE(std::all_of(writeResults.begin(), writeResults.end(),
                            [](int r) { return r == kChannelOk; }));
}

TEST_F(MousePadPageTest, AWriteToAClosedPadIsNotASuccess) {
    EXPECT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelNoAnswer);
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    pad->InjectFault(sim::SimFault::StatusError, 1, CMD_WRITE_MEMORY);
    ASSERT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelOk);  // queued
    Settle();
    ASSERT_EQ(writeResults.size(), 1u);
    EXPECT_NE(writeResults[0], kChannelOk) << "the pad's refusal reaches the window";
}

TEST_F(MousePadPageTest, ReadBackIsFollowedWithoutChangingTheProfile) {
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    page->InitialSync();
    Settle();
    const std::string profileBefore = ReadFileText(page->GetProfileName());
    // The pad switched itself to mode 6, brightness 3, speed byte 4 (speed 1).
    const std::vector<uint8_t> block = {0, 6, 3, 4, 1, 1, 0, 0xFF, 0};
    pad->ChangeMemoryOnDevice(0, block);
    EXPECT_EQ(page->OnSyncRequest(), kChannelOk);
    const auto& shadow = page->GetSettingsShadow();
    EXPECT_EQ(shadow[1], 6);
    EXPECT_EQ(shadow[3], 1) << "the speed itself";
    EXPECT_EQ(shadow[4], 1) << "the effect option as read";
    EXPECT_EQ(page->GetLightSettings()[LightSetting::kMode], 6) << "the page follows the pad";
    EXPECT_EQ(ReadFileText(page->GetProfileName()), profileBefore);
    EXPECT_EQ(profileMessages, std::vector<int>{0});

    // Written back as it was read.
    ASSERT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelOk);
    Settle();
    EXPECT_EQ(Written(9), block);
}

TEST_F(MousePadPageTest, AStillModeEndsOnItsFrameThoughTheChannelWasBusy) {
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    page->InitialSync();
    Settle();
    using P = CZembravaMousePadDevice;
    const StillModeCase cases[] = {
        {"ring chase, then steady", P::kRingChase, P::kStatic, IsSteadyRed},
        {"breathing, then off", P::kBreathe, P::kOff, IsDark},
    };
    for (const StillModeCase& c : cases)
        ExpectTheStillFrameDespiteABusyChannel(*page, *pad, window, c);
}

TEST_F(MousePadPageTest, TheChasesSendFramesOfFifteenLeds) {
    ASSERT_TRUE(page->OpenCommandChannel(vendorPath));
    page->InitialSync();
    Settle();
    SetLight(CZembravaMousePadDevice::kRingChase, 4, 5);
    std::vector<uint8_t> frame;
    ASSERT_TRUE(PumpUntil(window, [&] {
        frame = pad->LightFrame();
        return page->LightFramesSent() > 5 &&
               std::any_of(frame.begin(), frame.end(), [](uint8_t b) { return b != 0; });
    })) << "a seeded ring lights the chase";
    EXPECT_EQ(frame.size(), 45u);
}

}  // namespace
}  // namespace kelno::test
