// The headset page against the emulated headset and the simulated audio
// library: the first synchronisation takes the audio state (and writes
// nothing), notifications arrive on the one interface, the LED output
// reports, and the audio actions: written first, kept only when the
// headset took them, a profile switch applied, a headset without sound
// devices said so.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/json_file.h"
#include "device_models/device_page_harness.h"
#include "devices/hid/command_report.h"
#include "headset/headset_device.h"
#include "devices/models/custom_effect_player.h"
#include "headset/headset_led_report.h"
#include "platform/sim/sim_audio_config_lib.h"
#include "platform/sim/sim_device_set.h"
#include "skin/core/resource_manager.h"
#include "support/temp_folder.h"

namespace kelno::test {
namespace {

using audio::Direction;
using S = HeadsetSystemSettings;

const std::filesystem::path kFixtures = KELNO_HEADSET_FIXTURES;

// The page with its custom effect settable from the test.
class TestHeadset : public CZembravaHS6533Device {
  public:
    using CZembravaHS6533Device::CZembravaHS6533Device;
    using CZembravaHS6533Device::SetCustomEffect;
};

class HeadsetFactory : public skin::IDialogBuilderCallback {
  public:
    explicit HeadsetFactory(std::shared_ptr<hid::HidBackend> backend)
        : backend_(std::move(backend)) {}
    skin::CControlUI* CreateControl(const std::string& className) override {
        if (className == "ZembravaHS6533Device") return new TestHeadset(backend_);
        return widgets::CreateWidget(className);
    }

  private:
    std::shared_ptr<hid::HidBackend> backend_;
};

class HeadsetPageTest : public testing::Test {
  protected:
    HeadsetPageTest() : factory(devices.Backend()), window(skin::Size{600, 400}) {}

    void SetUp() override {
        headset = devices.Plug(sim::SimKind::Headset);
        ASSERT_NE(headset, nullptr);
        audio = devices.Audio();
        std::filesystem::create_directories(folder / "DefaultData");
        std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "HD.Json",
                                   folder / "DefaultData" / "HD.Json");
        skin::CPaintManagerUI::SetResourcePath(kFixtures.string() + "/");
        skin::CDialogBuilder builder;
        skin::CControlUI* root =
            builder.Create((kFixtures / "headset_page.xml").string(), &factory, &window.pm);
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        window.pm.SetRoot(root);
        page = static_cast<TestHeadset*>(
            static_cast<CZembravaHS6533Device*>(root->GetInterface("ZembravaHS6533Device")));
        ASSERT_NE(page, nullptr);
        page->SetLayoutFile("headset_page.xml");
        page->SetKindName("HD");
        page->SetDataFolders(folder / "user", folder / "DefaultData");
        page->SetAudioLibrary(audio);
        page->InitLayout();
        const std::vector<std::string> paths = devices.Backend()->Paths("headset");
        ASSERT_EQ(paths.size(), 1u) << "one collection carries everything";
        path = paths[0];
    }
    void TearDown() override {
        if (page) page->StopThreads();
    }
    void Settle() { test::Settle(*page, window); }
    // Opens the headset as detection does and runs the first sync.
    void Arrive() {
        ASSERT_TRUE(page->OpenCommandChannel(path));
        SupportedDeviceEntry entry;
        entry.path = path;
        entry.kind = KindCode(DeviceKind::Headset);
        page->AttachCatalogueEntry(entry);
        page->OnInitialSyncTimer();
        Settle();
    }
    void SetLight(uint8_t mode, uint8_t brightness, uint8_t speed, Rgb colour = {255, 0, 0}) {
        LightSetting light = page->Profile().GetLightSetting();
        light[LightSetting::kMode] = mode;
        light[LightSetting::kBrightness] = brightness;
        light[LightSetting::kSpeed] = speed;
        light[LightSetting::kMultiColor] = 0;
        light[LightSetting::kRed] = colour.red;
        light[LightSetting::kGreen] = colour.green;
        light[LightSetting::kBlue] = colour.blue;
        page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    }
    // The audio log's writes.
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const std::string& entry : audio->Log())
            if (entry.starts_with("write ")) writes.push_back(entry);
        return writes;
    }
    std::string ProfileText() const { return ReadFileText(page->GetProfileName()); }
    bool NoticeShown() {
        skin::CControlUI* notice = window.pm.FindControl(CZembravaHS6533Device::kAudioNotice);
        return notice && notice->IsVisible();
    }

    TempFolder folder;
    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> headset;
    std::shared_ptr<sim::SimAudioConfigLib> audio;
    HeadsetFactory factory;
    skin::test::SkinWindow window;
    TestHeadset* page = nullptr;
    std::string path;
};

TEST_F(HeadsetPageTest, TheFirstSyncTakesTheAudioStateAndWritesNothing) {
    audio->SetProperty(Direction::Capture, "VolumeScalarControl", "0.29");
    audio->SetProperty(Direction::Capture, "MuteControl", "1");
    audio->SetProperty(Direction::Capture, "MagicVoice_Selection", "2");
    const std::vector<uint8_t> memory = headset->Memory();
    Arrive();
    EXPECT_TRUE(page->AudioReady());
    EXPECT_TRUE(Writes().empty()) << "the first sync only reads the headset's audio";
    EXPECT_EQ(headset->Memory(), memory);
    const S settings = page->AudioSettings();
    EXPECT_EQ(settings.values[S::kMicInSelect], 0) << "muted";
    EXPECT_EQ(settings.values[S::kMicInValue], 29) << "rounded, not truncated";
    EXPECT_EQ(settings.values[S::kMagicType], 3);
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(page->IsLightingThreadRunning());
}

TEST_F(HeadsetPageTest, ANotificationOnTheOneInterfaceReadsTheLightingBlock) {
    Arrive();
    EXPECT_TRUE(page->HasNotifyPath());
    // The headset switched itself to a steady blue, speed byte 1 (speed 4).
    headset->ChangeMemoryOnDevice(0, std::vector<uint8_t>{0, 3, 4, 1, 0, 0, 0, 0, 0xFF});
    ASSERT_TRUE(PumpUntil(window, [&] {
        window.host.AdvanceTime(50);  // the sync request's timer
        return page->GetLightSettings()[LightSetting::kMode] == 3;
    })) << "0x401 reaches the page through the command interface";
    EXPECT_EQ(page->GetLightSettings()[LightSetting::kSpeed], 4);
    EXPECT_EQ(page->GetLightSettings()[LightSetting::kBlue], 0xFF);

    // Commands still get their answers with notifications about.
    headset->Notify(kNotifyCounter);
    headset->Notify(kNotifyCounter);
    SetLight(3, 4, 2);
    EXPECT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelOk);
    Settle();
    EXPECT_FALSE(page->HasFailedWrites());
    EXPECT_EQ(headset->Memory()[1], 3);

    page->CloseCommandChannel();
    EXPECT_FALSE(page->HasNotifyPath()) << "the reader goes with the interface";
}

TEST_F(HeadsetPageTest, ASteadyColourGoesOutAsTwelveLedReports) {
    Arrive();
    SetLight(3, 4, 2, Rgb{200, 100, 0});
    // The last twelve reports once they are one whole frame of the colours
    // shown: a look taken while the lighting thread is half-way through a
    // frame shows the end of the one before. And only once the colours
    // shown are the steady ones: before the lighting thread took the new
    // setting, a whole frame of the old effect matches the old colours.
    const uint8_t level = LevelForBrightness(4);
    std::vector<std::vector<uint8_t>> reports;
    auto expected = headset::BuildLedReports(page->Lighting().LedColours());
    const auto wholeFrame = [&] {
        expected = headset::BuildLedReports(page->Lighting().LedColours());
        if (expected[0][3] != headset::ChannelValue(200, level)) return false;
        if (reports.size() < headset::kLedReportCount) return false;
        for (size_t i = 0; i < 12; ++i) {
            const std::vector<uint8_t>& report = reports[reports.size() - 12 + i];
            if (!std::equal(report.begin(), report.end(), expected[i].begin(), expected[i].end()))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(PumpUntil(window, [&] {
        reports = headset->LedReports();
        return wholeFrame();
    }));
    const std::vector<std::vector<uint8_t>> frame(reports.end() - 12, reports.end());
    for (size_t i = 0; i < 12; ++i)
        EXPECT_EQ(frame[i], std::vector<uint8_t>(expected[i].begin(), expected[i].end())) << i;
    EXPECT_EQ(frame[0][3], headset::ChannelValue(200, level)) << "red at the brightness's level";
    EXPECT_EQ(frame[4][3], headset::ChannelValue(100, level)) << "green";
}

TEST_F(HeadsetPageTest, AModeBeyondTheHeadsetsPlaysTheCustomEffectAndIsWrittenAsZero) {
    Arrive();
    SetLight(12, 4, 2);
    // A steady blue step at brightness 24 for a second, again and again.
    LightEffectStep blue;
    blue.mode = CustomEffectPlayer::kSteady;
    blue.brightness = 24;
    blue.blue = 200;
    blue.time = 1000;
    page->SetCustomEffect({blue});
    ASSERT_TRUE(PumpUntil(window, [&] {
        const auto reports = headset->LedReports();
        return reports.size() >= 12 && reports[reports.size() - 4][3] == headset::ChannelValue(200, 255);
    })) << "the blue of LEDs 0-6 on driver 0x44";

    EXPECT_EQ(page->WriteSettings(0, 0, 1, 0, 0), kChannelOk);
    Settle();
    EXPECT_EQ(headset->Memory()[1], 0);
}

TEST_F(HeadsetPageTest, RestoringDefaultsKeepsTheCurvesAndPutsTheSettingsOnTheHeadset) {
    Arrive();
    const EqGains bass{9, 8, 7, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(page->SaveCustomCurve("Bass", bass), SaveCurveResult::Saved);
    ASSERT_TRUE(page->SetMicOn(false));
    ASSERT_TRUE(page->SetMicVolume(10));
    page->RestoreDefaults();
    EXPECT_EQ(page->CustomCurveNames(), std::vector<std::string>{"Bass"});
    // HD.Json: microphone on at 50, preset 1.
    EXPECT_EQ(audio->Property(Direction::Capture, "MuteControl"), "0");
    EXPECT_EQ(audio->Property(Direction::Capture, "VolumeScalarControl"), "0.5");
    EXPECT_EQ(audio->Property(Direction::Playback, "EQ_Slider1"), "7");
    EXPECT_EQ(page->AudioSettings().values[S::kEqType], 1);
}

TEST_F(HeadsetPageTest, ARefusedMicrophoneWriteChangesNothing) {
    Arrive();
    const S before = page->AudioSettings();
    const std::string profile = ProfileText();
    audio->FailNext(Direction::Capture, "MuteControl", sim::SimAudioCall::Write);
    EXPECT_FALSE(page->SetMicOn(before.values[S::kMicInSelect] == 0));
    EXPECT_EQ(page->AudioSettings(), before);
    EXPECT_EQ(ProfileText(), profile);
    EXPECT_TRUE(NoticeShown()) << "the user hears of it";

    // The next write that lands is kept and clears the notice.
    ASSERT_TRUE(page->SetMicVolume(73));
    EXPECT_EQ(page->AudioSettings().values[S::kMicInValue], 73);
    EXPECT_EQ(audio->Property(Direction::Capture, "VolumeScalarControl"), "0.73");
    EXPECT_FALSE(NoticeShown());
    EXPECT_NE(ProfileText(), profile);
}

TEST_F(HeadsetPageTest, APresetWritesItsGainsAndABandLeavesIt) {
    Arrive();
    audio->ClearLog();
    ASSERT_TRUE(page->ChoosePreset(7));
    const std::vector<std::string> preset = Writes();
    ASSERT_EQ(preset.size(), 11u);
    EXPECT_EQ(preset[0], "write playback Enable_EQ_GFX 1");
    EXPECT_EQ(preset[1], "write playback EQ_Slider1 14");
    EXPECT_EQ(preset[10], "write playback EQ_Slider10 3");
    EXPECT_EQ(page->AudioSettings().values[S::kEqType], 7);

    audio->ClearLog();
    ASSERT_TRUE(page->SetBand(3, 6));
    EXPECT_EQ(Writes(), std::vector<std::string>{"write playback EQ_Slider4 6"});
    const S settings = page->AudioSettings();
    EXPECT_EQ(settings.values[S::kEqType], CHs6533Profiledata::kCustomEqType);
    EXPECT_EQ(settings.values[S::kCustomEqIndex], -1) << "no curve selected";
    EXPECT_EQ(page->BandsInUse()[3], 6);
    EXPECT_EQ(page->BandsInUse()[0], 14) << "the other bands stay as the preset left them";
}

TEST_F(HeadsetPageTest, CustomCurvesSaveOverwriteAndDeleteTogether) {
    Arrive();
    const EqGains bass{9, 8, 7, 0, 0, 0, 0, 0, 0, 0};
    const EqGains voice{0, 0, 0, 5, 6, 5, 0, 0, 0, 0};
    EXPECT_EQ(page->SaveCustomCurve("", bass), SaveCurveResult::Nothing) << "nothing selected";
    ASSERT_EQ(page->SaveCustomCurve("Bass", bass), SaveCurveResult::Saved);
    ASSERT_EQ(page->SaveCustomCurve("Voice", voice), SaveCurveResult::Saved);
    EXPECT_EQ(page->SaveCustomCurve("bASS", voice), SaveCurveResult::Duplicate);
    EXPECT_EQ(page->AudioSettings().values[S::kCustomEqIndex], 1);

    ASSERT_TRUE(page->ApplyCustomCurve(0));
    EXPECT_EQ(page->BandsInUse(), bass);
    ASSERT_TRUE(page->DeleteCustomCurve());
    EXPECT_EQ(page->CustomCurveNames(), std::vector<std::string>{"Voice"});
    EXPECT_EQ(page->BandsInUse(), voice) << "Voice keeps its own curve";
    EXPECT_EQ(audio->Property(Direction::Playback, "EQ_Slider5"), "6");

    // Full at 20 names.
    for (int i = 1; i < CHs6533Profiledata::kMaxCustomCurves; ++i)
        ASSERT_EQ(page->SaveCustomCurve("Curve " + std::to_string(i), bass), SaveCurveResult::Saved);
    EXPECT_EQ(page->SaveCustomCurve("One more", bass), SaveCurveResult::Full);
}

// Junk entries in the stored name list once filled the 20 places with blank
// names, and a new curve was refused without a word.
TEST_F(HeadsetPageTest, JunkInTheCurveListMakesNoPlaceAndIsKeptAside) {
    Arrive();
    Json::Value root = ReadJsonFile(page->GetProfileName());
    Json::Value& node = root["Device"][0];
    node["CustomEQNameInfo"] = Json::Value(Json::arrayValue);
    for (int i = 0; i < 25; ++i) node["CustomEQNameInfo"].append(i);
    node["CustomEQNameInfo"][3] = Json::Value(Json::objectValue);
    node["CustomEQNameInfo"][3]["Name"] = "Kept";
    ASSERT_EQ(WriteJsonFile(page->GetProfileName(), root), 0);
    const std::string stored = ProfileText();
    page->LoadProfile();
    EXPECT_EQ(page->CustomCurveNames(), std::vector<std::string>{"Kept"});

    const EqGains bass{9, 8, 7, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(page->SaveCustomCurve("Bass", bass), SaveCurveResult::Saved);
    EXPECT_EQ(ReadFileText(page->GetProfileName() + ".bak"), stored);
    page->LoadProfile();
    EXPECT_EQ(page->CustomCurveNames(), (std::vector<std::string>{"Kept", "Bass"}));
    ASSERT_TRUE(page->ApplyCustomCurve(1));
    EXPECT_EQ(page->BandsInUse(), bass);
}

TEST_F(HeadsetPageTest, AProfileSwitchPutsItsAudioSettingsOnTheHeadset) {
    Arrive();
    // The profile file says: microphone muted at 40, preset 5.
    S wanted = page->AudioSettings();
    wanted.values[S::kMicInSelect] = 0;
    wanted.values[S::kMicInValue] = 40;
    wanted.values[S::kEqType] = 5;
    page->Profile().SetSystemSet(wanted);
    ASSERT_TRUE(page->SaveProfile());
    audio->ClearLog();
    page->LoadProfile();
    EXPECT_EQ(audio->Property(Direction::Capture, "MuteControl"), "1");
    EXPECT_EQ(audio->Property(Direction::Capture, "VolumeScalarControl"), "0.4");
    EXPECT_EQ(audio->Property(Direction::Playback, "Enable_EQ_GFX"), "1");
    EXPECT_EQ(audio->Property(Direction::Playback, "EQ_Slider1"), "0");
    EXPECT_FALSE(NoticeShown());
}

TEST_F(HeadsetPageTest, AHeadsetWithoutSoundDevicesSaysSoAndIsFoundLater) {
    audio->SetHeadsetPresent(false);
    Arrive();
    EXPECT_FALSE(page->AudioReady());
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(page->AudioNoticeText(), CZembravaHS6533Device::kAudioUnavailableText);
    EXPECT_FALSE(page->SetMicOn(true));
    EXPECT_TRUE(Writes().empty());

    // Unplugged and plugged again with its sound devices: they are found.
    page->CloseCommandChannel();
    audio->SetHeadsetPresent(true);
    Arrive();
    EXPECT_TRUE(page->AudioReady());
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(page->SetMicOn(true));
}

TEST_F(HeadsetPageTest, NoAudioLibraryLeavesTheLightingWorking) {
    page->SetAudioLibrary(nullptr);
    Arrive();
    EXPECT_FALSE(page->AudioReady());
    EXPECT_TRUE(NoticeShown());
    EXPECT_FALSE(page->ChoosePreset(3));
    SetLight(3, 4, 2);
    EXPECT_TRUE(PumpUntil(window, [&] { return !headset->LedReports().empty(); }));
}

}  // namespace
}  // namespace kelno::test
