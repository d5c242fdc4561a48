// The mouse page against the emulated mouse: key map matching with the
// mouse's unmapped marker, the settings block with DPI stages and the
// screen size, read-back of complete blocks only, the DPI and pointer
// controls, light frames, and a wireless mouse whose link is down.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/json_file.h"
#include "devices/detect/emulator_catalogue.h"
#include "devices/hid/command_report.h"
#include "device_page_harness.h"
#include "devices/models/mouse_device.h"
#include "platform/sim/sim_device_set.h"
#include "platform/sim/sim_devices.h"
#include "skin/controls/button.h"
#include "skin/controls/progress.h"
#include "skin/core/resource_manager.h"
#include "skin_core/skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::test {
namespace {

const std::filesystem::path kFixtures = KELNO_DEVICE_FIXTURES;

std::vector<uint8_t> Range(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + length)};
}

class MousePageTest : public testing::Test {
  protected:
    MousePageTest() : factory(devices.Backend()), window(skin::Size{600, 500}) {}

    void SetUp() override {
        mouse = devices.Plug(sim::SimKind::Mouse);
        ASSERT_NE(mouse, nullptr);
        std::filesystem::create_directories(folder / "DefaultData");
        std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "mouse.Json",
                                   folder / "DefaultData" / "mouse.Json");
        skin::CPaintManagerUI::SetResourcePath(kFixtures.string() + "/");
        skin::CResourceManager::GetInstance().LoadLanguage("lan_en.xml");

        skin::CDialogBuilder builder;
        skin::CControlUI* root =
            builder.Create((kFixtures / "mouse_page.xml").string(), &factory, &window.pm);
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        window.pm.SetRoot(root);
        page = static_cast<CZembravaMouseDevice*>(root->GetInterface("ZembravaMouseDevice"));
        ASSERT_NE(page, nullptr);

        page->SetLayoutFile("mouse_page.xml");
        page->SetMainWindow([this](uint32_t message, uintptr_t, intptr_t lParam) {
            if (message == UWM_DEVICE_WRITE_MSG) writeResults.push_back(static_cast<int>(lParam));
            if (message == UWM_DEVICE_SAVE_FAILED_MSG) ++saveFailures;
        });
        page->SetKeyCount(7);
        page->SetLedCount(6);
        page->SetKindName("mouse");
        page->AttachCatalogueEntry(PrimaryMouseRow());
        page->SetLightConfigName("tovra_light");
        page->SetDataFolders(folder / "user", folder / "DefaultData");
        page->SetScreenSize(1920, 1080);
        page->InitLayout();
        window.pm.UpdateLayout();
    }

    void Open(bool wireless = false) {
        const std::vector<std::string> paths = devices.Backend()->Paths("mouse");
        ASSERT_FALSE(paths.empty());
        ASSERT_TRUE(page->OpenCommandChannel(VendorPath(paths), wireless));
    }

    static std::string VendorPath(const std::vector<std::string>& paths) {
        // The vendor collection is the one the catalogue's primary row names.
        const SupportedDeviceEntry row = PrimaryMouseRow();
        const std::string number = std::to_string(row.collectionNumber);
        const std::string collection = (number.size() < 2 ? "col0" : "col") + number;
        for (const std::string& path : paths)
            if (path.find(collection) != std::string::npos) return path;
        return paths.back();
    }

    void TearDown() override {
        if (page) page->StopThreads();
    }

    bool PumpUntil(const std::function<bool()>& done) { return test::PumpUntil(window, done); }
    void Settle() { test::Settle(*page, window); }
    std::vector<uint8_t> CommandCodes() const { return CommandCodesOf(*mouse); }

    // The device key holding a page key's factory code in the emulator.
    int DeviceKeyOf(int pageKey) const {
        const std::vector<uint8_t> map = mouse->KeyMap();
        const auto& code = mouse::kDefaultKeyCodes[static_cast<size_t>(pageKey)];
        for (size_t k = 0; k + 3 <= map.size(); k += 3)
            if (std::equal(code.begin(), code.end(), map.begin() + static_cast<std::ptrdiff_t>(k)))
                return static_cast<int>(k / 3);
        return -1;
    }

    static SupportedDeviceEntry PrimaryMouseRow() {
        const Catalogue catalogue = EmulatorCatalogue();
        const int row = catalogue.findSupportedRow(sim::kSimMouseIds.vendorId,
                                                   sim::kSimMouseIds.productId,
                                                   KindCode(DeviceKind::Mouse), kPrimaryVariant);
        EXPECT_GE(row, 0);
        return row < 0 ? SupportedDeviceEntry{}
                       : catalogue.SupportedDeviceTable()[static_cast<size_t>(row)];
    }

    void Notify(const char* name, const char* type = "valuechanged") {
        skin::TNotifyUI msg;
        msg.sType = type;
        msg.pSender = window.pm.FindControl(name);
        ASSERT_NE(msg.pSender, nullptr) << name;
        EXPECT_TRUE(page->HandleMouseNotify(msg)) << name;
    }
    skin::CSliderUI* Slider(const char* name) {
        return static_cast<skin::CSliderUI*>(window.pm.FindControl(name)->GetInterface("Slider"));
    }
    skin::COptionUI* Option(const std::string& name) {
        return static_cast<skin::COptionUI*>(window.pm.FindControl(name)->GetInterface("Option"));
    }
    std::vector<uint8_t> WrittenBlock() const { return Range(mouse->Memory(), 0, 66); }

    TempFolder folder;
    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> mouse;
    DevicePageFactory factory;
    skin::test::SkinWindow window;
    CZembravaMouseDevice* page = nullptr;
    std::vector<int> writeResults;
    int saveFailures = 0;
};

TEST_F(MousePageTest, InitialSyncReadsTheKeyMapAndRangesWithoutWritingSettings) {
    Open();
    mouse->ClearExchanges();
    const std::vector<uint8_t> memoryBefore = mouse->Memory();
    page->InitialSync();
    Settle();

    // The lighting thread starts with the sync: its frames may follow.
    std::vector<uint8_t> codes = CommandCodes();
    std::erase(codes, CMD_LIGHT_FRAME);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), CMD_START);
    EXPECT_EQ(codes.back(), CMD_FINISH);
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), CMD_READ_KEYMAP) != codes.end());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), CMD_WRITE_MEMORY) == codes.end());
    EXPECT_TRUE(std::find(codes.begin(), codes.end(), CMD_LINK_PROBE) == codes.end())
        << "a wired mouse is never probed";
    EXPECT_EQ(mouse->Memory(), memoryBefore);

    const std::map<int, int> keyToDevice = page->KeyToDeviceIndex();
    ASSERT_EQ(keyToDevice.size(), 10u);
    for (int pageKey = 0; pageKey < 10; ++pageKey)
        EXPECT_EQ(keyToDevice.at(pageKey), DeviceKeyOf(pageKey)) << pageKey;

    // 400 steps of 50 DPI; the profile's first stage is 8 steps.
    EXPECT_EQ(page->GetDpiRange().MaxDpi(), 20000);
    EXPECT_EQ(Slider("DPI_slider_0")->GetMaxValue(), 400);
    EXPECT_EQ(Slider("DPI_slider_0")->GetValue(), 8);
    EXPECT_EQ(window.pm.FindControl("DPI_edit_0")->GetText(), "400");
    EXPECT_TRUE(Option("polling_rate_option_3")->IsSelected());
    EXPECT_EQ(Slider("pointer_speed_slider")->GetValue(), 4);
    EXPECT_TRUE(page->IsLightingThreadRunning());
}

TEST_F(MousePageTest, AKeyWithoutItsFactoryCodeIsUnmappedAndNeverWritten) {
    Open();
    page->InitialSync();
    Settle();
    // The middle button's device key gets a foreign code; after the next
    // read no page key owns it.
    const int middle = DeviceKeyOf(2);
    ASSERT_GE(middle, 0);
    KeyAssignmentPair record = page->GetKeyAssignments()[2];
    record.current = KeyAssignment::FromPacked(2, 0x420000);
    page->SetKeyAssignment(2, record);
    ASSERT_EQ(page->WriteStoredKeyMap(0), kChannelOk);
    page->InitialSync();
    Settle();
    EXPECT_EQ(page->KeyToDeviceIndex().at(2), mouse::kUnmapped);

    // Every record now says "left button": only the mapped keys change.
    std::vector<KeyAssignmentPair> records = page->GetKeyAssignments();
    for (auto& r : records) r.current = KeyAssignment::FromPacked(0, 0x100100);
    page->SetKeyAssignments(records);
    ASSERT_EQ(page->WriteStoredKeyMap(0), kChannelOk);
    const std::vector<uint8_t> written = mouse->KeyMap();
    ASSERT_EQ(written.size(), 30u) << "nothing written past the mouse's ten keys";
    for (size_t k = 0; k < 10; ++k) {
        const std::vector<uint8_t> code = Range(written, 3 * k, 3);
        if (static_cast<int>(k) == middle)
            EXPECT_EQ(code, (std::vector<uint8_t>{0x42, 0x00, 0x00})) << "unmapped key kept";
        else
            EXPECT_EQ(code, (std::vector<uint8_t>{0x10, 0x01, 0x00})) << k;
    }
}

TEST_F(MousePageTest, KeyCaptionsNameButtonsAndKeyboardKeys) {
    Open();
    page->InitialSync();
    Settle();
    EXPECT_EQ(window.pm.FindControl("key_0")->GetText(), "L");
    KeyAssignmentPair record = page->GetKeyAssignments()[0];
    record.current = KeyAssignment::FromPacked(0, 0x100200);
    page->SetKeyAssignment(0, record);
    EXPECT_EQ(window.pm.FindControl("key_0")->GetText(), "R");
    record.current = KeyAssignment::FromPacked(0, 0x200004);
    page->SetKeyAssignment(0, record);
    EXPECT_EQ(window.pm.FindControl("key_0")->GetText(), "A");
}

TEST_F(MousePageTest, DpiSliderWritesTheBlockWithStagesAndScreenSize) {
    Open();
    page->InitialSync();
    Settle();
    Slider("DPI_slider_1")->SetValue(100);
    Notify("DPI_slider_1");
    Settle();

    const std::vector<uint8_t> block = WrittenBlock();
    const size_t stage1 = mouse::kStageOffset + 9;
    EXPECT_EQ(block[stage1 + 2], 100);  // X, little-endian
    EXPECT_EQ(block[stage1 + 4], 100);  // Y follows X
    EXPECT_EQ(Range(block, 60, 4), (std::vector<uint8_t>{0x80, 0x07, 0x38, 0x04}));
    EXPECT_EQ(block[59], 1);
    EXPECT_EQ(block[3], 5 - 2) << "speed 2 is written as 3";
    EXPECT_EQ(page->Profile().GetDpiStages()[1].dpiX, 100);
    EXPECT_EQ(ReadJsonFile(page->GetProfileName())["Device"][0]["DPIStages"]["StageDPIs"][1]
                  ["StageDPIX"]
                      .asInt(),
              100);
    EXPECT_EQ(writeResults, std::vector<int>{kChannelOk});
}

TEST_F(MousePageTest, DraggingOnlyShowsTheDpiUntilTheSliderIsLetGo) {
    Open();
    page->InitialSync();
    Settle();
    mouse->ClearExchanges();
    Slider("DPI_slider_0")->SetValue(30);
    Notify("DPI_slider_0", "movevaluechanged");
    Settle();
    EXPECT_EQ(window.pm.FindControl("DPI_edit_0")->GetText(), "1500");
    // Light frames of the lighting thread may come meanwhile; nothing else.
    std::vector<uint8_t> codes = CommandCodes();
    std::erase(codes, CMD_LIGHT_FRAME);
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(page->GetDpiStages()[0].dpiX, 8);
}

TEST_F(MousePageTest, TypedDpiIsRoundedDownToAStepAndClamped) {
    Open();
    page->InitialSync();
    Settle();
    struct Case {
        const char* typed;
        int steps;
        const char* shown;
    } cases[] = {
        {"1234", 24, "1200"},     // rounded down to a 50-DPI step
        {"99999", 400, "20000"},  // clamped to the mouse's range
        {"0", 0, "0"},
        {"12ab", 0, "0"},  // not a number: the stored value stays and is shown again
    };
    for (const Case& c : cases) {
        window.pm.FindControl("DPI_edit_2")->SetText(c.typed);
        Notify("DPI_edit_2", "killfocus");
        Settle();
        EXPECT_EQ(page->GetDpiStages()[2].dpiX, c.steps) << c.typed;
        EXPECT_EQ(window.pm.FindControl("DPI_edit_2")->GetText(), c.shown) << c.typed;
    }
}

TEST_F(MousePageTest, OneStageAlwaysStaysOn) {
    Open();
    page->InitialSync();
    Settle();
    for (int stage = 1; stage < 5; ++stage) {
        const std::string name = "DPI_enable_check_" + std::to_string(stage);
        Option(name)->Selected(false);
        Notify(name.c_str(), "selectchanged");
    }
    EXPECT_FALSE(window.pm.FindControl("DPI_enable_check_0")->IsEnabled())
        << "the last checked stage cannot be cleared";
    EXPECT_FALSE(window.pm.FindControl("DPI_slider_3")->IsEnabled());

    Option("DPI_enable_check_3")->Selected(true);
    Notify("DPI_enable_check_3", "selectchanged");
    EXPECT_TRUE(window.pm.FindControl("DPI_enable_check_0")->IsEnabled());
    EXPECT_TRUE(window.pm.FindControl("DPI_slider_3")->IsEnabled());
    Settle();
    EXPECT_EQ(WrittenBlock()[mouse::kStageOffset + 9 * 3], 1);
    EXPECT_EQ(WrittenBlock()[mouse::kStageOffset + 9 * 1], 0);
}

TEST_F(MousePageTest, ReportRateActsOnlyOnTheOptionThatBecameSelected) {
    Open();
    page->InitialSync();
    Settle();
    Option("polling_rate_option_1")->Selected(true);
    Notify("polling_rate_option_1", "selectchanged");
    // The group also tells the option that lost the selection.
    Option("polling_rate_option_3")->Selected(false);
    Notify("polling_rate_option_3", "selectchanged");
    Settle();
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kReportRate], 1);
    EXPECT_EQ(WrittenBlock()[11], 1);
}

TEST_F(MousePageTest, PointerControlsAreStoredInSliderUnits) {
    Open();
    page->InitialSync();
    Settle();
    Option("scrolls_page_check")->Selected(true);
    Notify("scrolls_page_check", "selectchanged");
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kWheelPage], 1);
    Slider("scroll_speed_slider")->SetValue(7);
    Notify("scroll_speed_slider");
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kWheelLines], 7);
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kWheelPage], 0)
        << "choosing lines ends one page per notch";
    EXPECT_FALSE(Option("scrolls_page_check")->IsSelected());
    Slider("double_click_slider")->SetValue(2);
    Notify("double_click_slider");
    Settle();  // stored once the mouse took it
    const Json::Value system = ReadJsonFile(page->GetProfileName())["Device"][0]["SystemStages"];
    EXPECT_EQ(system["DoubleClickTime"].asInt(), 2);
    EXPECT_EQ(system["WheelScorlllinse"].asInt(), 7);
    EXPECT_EQ(system["ScorllPage"].asInt(), 0);
}

// The pointer settings are the system's: the window applies them whatever
// the mouse says, so the profile keeps them even while the mouse cannot be
// reached; the mouse's own settings it does not take are not kept.
TEST_F(MousePageTest, SystemPointerSettingsAreStoredWhateverTheMouseSays) {
    Open(/*wireless=*/true);
    page->InitialSync();
    Settle();
    mouse->SetLinkUp(false);
    const int storedRate = page->GetSystemSettings()[CZembravaMouseDevice::kReportRate];
    Slider("pointer_speed_slider")->SetValue(8);
    Notify("pointer_speed_slider");
    Option("polling_rate_option_2")->Selected(true);
    Notify("polling_rate_option_2", "selectchanged");
    Settle();
    const Json::Value system = ReadJsonFile(page->GetProfileName())["Device"][0]["SystemStages"];
    EXPECT_EQ(system["MouseSpeed"].asInt(), 8);
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kPointerSpeed], 8);
    EXPECT_EQ(page->GetSystemSettings()[CZembravaMouseDevice::kReportRate], storedRate)
        << "the report rate is the mouse's: not taken, not kept";
    EXPECT_EQ(saveFailures, 0);
}

// A profile file that cannot be written: the window is told, the page shows
// what the file holds and the mouse is given that back.
TEST_F(MousePageTest, AChangeThatCannotBeSavedIsToldAndTakenBack) {
    Open();
    page->InitialSync();
    Settle();
    const std::filesystem::path profile = page->GetProfileName();
    const int storedSteps = page->GetDpiStages()[1].dpiX;
    ASSERT_NE(storedSteps, 100);
    const auto storedBlock = page->Model().BlockOf(page->Model().Stored());
    std::filesystem::remove(profile);
    std::filesystem::create_directories(profile / "inside");
    Slider("DPI_slider_1")->SetValue(100);
    Notify("DPI_slider_1");
    Settle();

    EXPECT_EQ(saveFailures, 1);
    EXPECT_EQ(page->GetDpiStages()[1].dpiX, storedSteps);
    EXPECT_EQ(Slider("DPI_slider_1")->GetValue(), storedSteps);
    EXPECT_EQ(WrittenBlock(), std::vector<uint8_t>(storedBlock.begin(), storedBlock.end()));

    Slider("scroll_speed_slider")->SetValue(5);
    Notify("scroll_speed_slider");
    Settle();
    EXPECT_EQ(saveFailures, 2) << "a system setting not saved is told too";
    EXPECT_NE(page->GetSystemSettings()[CZembravaMouseDevice::kWheelLines], 5);
}

TEST_F(MousePageTest, ReadBackTakesOnlyCompleteBlocksAndClampsThem) {
    Open();
    page->InitialSync();
    Settle();
    // Mode 12, brightness 9, speed byte 7, multicolour, blue; stage 7 of 5.
    const std::vector<uint8_t> block = {0, 12, 9, 7, 0, 1, 0, 0, 0xFF, 0, 0, 0, 7};
    mouse->ChangeMemoryOnDevice(0, block);
    EXPECT_EQ(page->OnSyncRequest(), kChannelOk);
    const LightSetting light = page->Profile().GetLightSetting();
    EXPECT_EQ(light[LightSetting::kMode], 0);
    EXPECT_EQ(light[LightSetting::kBrightness], 4);
    EXPECT_EQ(light[LightSetting::kSpeed], 0);
    EXPECT_EQ(light[LightSetting::kBlue], 0xFF);
    EXPECT_EQ(page->GetActiveStage(), 1) << "a stage the profile lacks is ignored";

    // A read cut short changes nothing.
    const std::vector<uint8_t> other = {0, 2, 3, 1, 0, 0, 0xFF, 0, 0, 0, 0, 0, 2};
    mouse->ChangeMemoryOnDevice(0, other);
    mouse->InjectFault(sim::SimFault::ShortAnswer, 2, CMD_READ_MEMORY);
    EXPECT_NE(page->OnSyncRequest(), kChannelOk);
    EXPECT_EQ(page->Profile().GetLightSetting(), light);
    EXPECT_EQ(page->GetActiveStage(), 1);
}

TEST_F(MousePageTest, AWiredMouseGetsEighteenByteFramesOfItsEffect) {
    Open();
    page->InitialSync();
    Settle();
    LightSetting light = page->Profile().GetLightSetting();
    light[LightSetting::kMode] = CZembravaMouseDevice::kWave;
    light[LightSetting::kBrightness] = 4;
    light[LightSetting::kMultiColor] = 1;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    ASSERT_TRUE(PumpUntil([&] { return page->LightFramesSent() >= 3; }));
    const std::vector<uint8_t> frame = mouse->LightFrame();
    EXPECT_EQ(frame.size(), 18u);
    EXPECT_TRUE(std::any_of(frame.begin(), frame.end(), [](uint8_t b) { return b != 0; }));
}

// What a profile switch stores (its keys and macros) marks the page like
// any other write when it does not reach the mouse, though the macros had
// nothing to send.
TEST_F(MousePageTest, AProfilesKeysThatDoNotReachTheMouseAreMarked) {
    Open(/*wireless=*/true);
    page->InitialSync();
    Settle();
    ASSERT_FALSE(page->HasFailedWrite(DeviceWriteKind::KeyMap));
    const std::vector<uint8_t> mapBefore = mouse->KeyMap();
    mouse->SetLinkUp(false);
    std::optional<IKeyAssignmentDevice::KeyStoreResult> stored;
    page->StoreKeysOnDevice([&](IKeyAssignmentDevice::KeyStoreResult r) { stored = r; });
    Settle();
    ASSERT_TRUE(stored);
    EXPECT_NE(stored->keyMap, kChannelOk);
    EXPECT_TRUE(page->HasFailedWrite(DeviceWriteKind::KeyMap));
    ASSERT_FALSE(writeResults.empty());
    EXPECT_NE(writeResults.back(), kChannelOk) << "the window hears of it";
    EXPECT_EQ(mouse->KeyMap(), mapBefore);

    mouse->SetLinkUp(true);
    page->StoreKeysOnDevice(nullptr);
    Settle();
    EXPECT_FALSE(page->HasFailedWrite(DeviceWriteKind::KeyMap));
}

TEST_F(MousePageTest, AStillModeEndsOnItsFrameThoughTheChannelWasBusy) {
    Open();
    page->InitialSync();
    Settle();
    using M = CZembravaMouseDevice;
    const StillModeCase cases[] = {
        {"breathing, then steady", M::kBreathe, M::kStatic, IsSteadyRed},
        {"wave, then off", M::kWave, M::kOff, IsDark},
        {"colour cycle, then steady", M::kColourCycle, M::kStatic, IsSteadyRed},
    };
    for (const StillModeCase& c : cases)
        ExpectTheStillFrameDespiteABusyChannel(*page, *mouse, window, c);
}

TEST_F(MousePageTest, AWirelessMouseWithItsLinkDownIsSentNothingAndSaysSo) {
    Open(/*wireless=*/true);
    page->InitialSync();
    Settle();
    ASSERT_TRUE(page->HasKeyMap());
    const std::vector<uint8_t> memoryBefore = mouse->Memory();
    const std::vector<uint8_t> mapBefore = mouse->KeyMap();
    mouse->SetLinkUp(false);
    mouse->ClearExchanges();

    const std::filesystem::path profile = page->GetProfileName();
    const std::string fileBefore = ReadFileText(profile);
    const int storedSteps = page->GetDpiStages()[0].dpiX;
    ASSERT_NE(storedSteps, 50);
    Slider("DPI_slider_0")->SetValue(50);
    Notify("DPI_slider_0");
    Settle();
    EXPECT_EQ(ReadFileText(profile), fileBefore) << "what the mouse did not take is not stored";
    EXPECT_EQ(page->GetDpiStages()[0].dpiX, storedSteps);
    EXPECT_EQ(Slider("DPI_slider_0")->GetValue(), storedSteps) << "the page shows what is stored";
    EXPECT_EQ(page->QueueStoredKeyMapWrite(0), kChannelOk);  // queued
    Settle();
    EXPECT_EQ(page->WriteMacros(), 0) << "no macros: nothing to send";

    for (uint8_t code : CommandCodes()) EXPECT_EQ(code, CMD_LINK_PROBE) << int{code};
    EXPECT_EQ(mouse->GroupDepth(), 0);
    EXPECT_EQ(mouse->Memory(), memoryBefore);
    EXPECT_EQ(mouse->KeyMap(), mapBefore);
    ASSERT_GE(writeResults.size(), 2u);
    EXPECT_NE(writeResults[0], kChannelOk) << "the failed write reaches the window";
    EXPECT_TRUE(page->HasFailedWrite(DeviceWriteKind::Settings));
    EXPECT_TRUE(page->HasFailedWrite(DeviceWriteKind::KeyMap));
    EXPECT_EQ(page->LightFramesSent(), 0u) << "no frames over the wireless link";

    // The link comes back: the next change goes through and clears the mark.
    mouse->SetLinkUp(true);
    Slider("DPI_slider_0")->SetValue(50);
    Notify("DPI_slider_0");
    Settle();
    EXPECT_FALSE(page->HasFailedWrite(DeviceWriteKind::Settings));
    EXPECT_EQ(WrittenBlock()[mouse::kStageOffset + 2], 50);
    EXPECT_EQ(ReadJsonFile(profile)["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt(),
              50);
}

}  // namespace
}  // namespace kelno::test
