// The keyboard page against the emulated keyboard: the connect sequence,
// key-map matching and writing, read-back on the keyboard's request, macro
// image, per-key bitmap, LED status, key events, and faults on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "devices/hid/command_report.h"
#include "devices/models/light_button.h"
#include "keyboard_page_fixture.h"
#include "skin/controls/button.h"

namespace kelno::test {
namespace {

using keyboard::KeyboardSettings;

KeyboardSettings SettingsOf(const Json::Value& profile, const KeyboardSettings& flagsFrom = {}) {
    const Json::Value& info = profile["Device"][0]["LightInfo"];
    KeyboardSettings s = flagsFrom;
    s.mode = static_cast<uint8_t>(info["SelectItem"].asInt());
    s.brightness = static_cast<uint8_t>(info["Light"].asInt());
    s.speed = static_cast<uint8_t>(info["Speed"].asInt());
    s.effectOption = static_cast<uint8_t>(info["Fx"].asInt());
    s.multiColour = static_cast<uint8_t>(info["MultiColor"].asInt());
    s.red = static_cast<uint8_t>(info["Red"].asInt());
    s.green = static_cast<uint8_t>(info["Green"].asInt());
    s.blue = static_cast<uint8_t>(info["Blue"].asInt());
    s.ledStatus = static_cast<uint8_t>(info["LedStaus"].asInt());
    return s;
}

std::vector<uint8_t> MemoryRange(const sim::SimCommandDevice& device, size_t offset,
                                 size_t length) {
    const std::vector<uint8_t> memory = device.Memory();
    return {memory.begin() + static_cast<std::ptrdiff_t>(offset),
            memory.begin() + static_cast<std::ptrdiff_t>(offset + length)};
}

// What an initial synchronisation sends, each transfer's chunks counted once.
const std::vector<uint8_t> kInitialSyncCodes = {
    CMD_START,         CMD_READ_INFO,    CMD_READ_KEYMAP,
    CMD_READ_KEY_LEDS, CMD_FINISH,       CMD_WRITE_KEY_LIGHTS,
    CMD_START,         CMD_WRITE_MEMORY, CMD_FINISH};

TEST_F(KeyboardPageTest, InitialSyncReadsTheKeyMapThenWritesBitmapAndSettingsBlock) {
    keyboard->ClearExchanges();
    page->InitialSync();
    Settle();

    // Information, key map and key LEDs in one group; then the bitmap, then
    // the settings block in a group of its own.
    EXPECT_EQ(CollapsedCommandCodes(), kInitialSyncCodes);
    EXPECT_EQ(keyboard->GroupDepth(), 0);

    // The block on the device is the one the profile file describes.
    const KeyboardSettings fromFile = SettingsOf(ProfileFile());
    const auto block = keyboard::BuildSettingsBlock(0, fromFile);
    EXPECT_EQ(MemoryRange(*keyboard, 0, 25), std::vector<uint8_t>(block.begin(), block.end()));

    // Every page key found its device key in the shuffled order; the two
    // keys sharing the empty code took different device keys.
    const std::map<int, int> keyToDevice = page->KeyToDeviceIndex();
    ASSERT_EQ(keyToDevice.size(), 126u);
    for (int pageKey : {0, 21, 64, 75, 125})
        EXPECT_EQ(keyToDevice.at(pageKey), DeviceKeyOf(pageKey)) << pageKey;
    EXPECT_NE(keyToDevice.at(62), keyToDevice.at(104));
    EXPECT_NE(keyToDevice.at(62), 255);
    EXPECT_NE(keyToDevice.at(104), 255);
    const std::vector<uint8_t> deviceLeds = keyboard->KeyLeds();
    EXPECT_EQ(page->KeyToLed().at(64), deviceLeds[static_cast<size_t>(DeviceKeyOf(64))]);
    EXPECT_TRUE(page->IsLightingThreadRunning());

    // Captions from the language file; system controls from the profile.
    EXPECT_EQ(window.pm.FindControl("key_64")->GetText(), "A");
    EXPECT_EQ(window.pm.FindControl("key_105")->GetText(), "Ctrl");
    auto* polling0 = static_cast<skin::COptionUI*>(window.pm.FindControl("polling_rate_option_0"));
    EXPECT_TRUE(polling0->IsSelected());
    EXPECT_EQ(window.pm.FindControl("repeat_delay_time_label1")->GetText(), "Delay 500ms");
}

TEST_F(KeyboardPageTest, KeyMapWritePutsTheAssignmentAtTheMatchedDeviceKeyOnly) {
    page->InitialSync();
    Settle();
    const std::vector<uint8_t> before = keyboard->KeyMap();
    KeyAssignmentPair record = page->GetKeyAssignments()[64];
    record.current = KeyAssignment::FromPacked(64, 0x200005);  // A becomes B
    page->SetKeyAssignment(64, record);
    EXPECT_EQ(window.pm.FindControl("key_64")->GetText(), "B");

    EXPECT_EQ(page->WriteStoredKeyMap(0), kChannelOk);
    std::vector<uint8_t> expected = before;
    const size_t at = 3 * static_cast<size_t>(DeviceKeyOf(64));
    expected[at] = 0x20;
    expected[at + 1] = 0x00;
    expected[at + 2] = 0x05;
    EXPECT_EQ(keyboard->KeyMap(), expected);
}

// The keyboard's own function keys have codes the key-name table does not
// name: such a key keeps the layout's caption instead of going blank.
TEST_F(KeyboardPageTest, AKeyWithoutANameKeepsItsLayoutCaption) {
    page->InitialSync();
    Settle();
    EXPECT_EQ(window.pm.FindControl("key_17")->GetText(), "LED");
    KeyAssignmentPair record = page->GetKeyAssignments()[17];
    const KeyAssignment original = record.current;
    record.current = KeyAssignment::FromPacked(17, 0x200005);
    page->SetKeyAssignment(17, record);
    EXPECT_EQ(window.pm.FindControl("key_17")->GetText(), "B");
    record.current = original;
    page->SetKeyAssignment(17, record);
    EXPECT_EQ(window.pm.FindControl("key_17")->GetText(), "LED");
}

TEST_F(KeyboardPageTest, AKeyMapReadThatFailsHalfWayKeepsTheMapsAndWritesNothing) {
    keyboard->InjectFault(sim::SimFault::NoAnswer, 3, CMD_READ_KEYMAP);
    page->InitialSync();
    Settle();
    EXPECT_FALSE(page->HasKeyMap());
    EXPECT_TRUE(page->KeyToDeviceIndex().empty());
    EXPECT_EQ(keyboard->GroupDepth(), 0);

    const std::vector<uint8_t> before = keyboard->KeyMap();
    keyboard->ClearExchanges();
    EXPECT_EQ(page->WriteStoredKeyMap(0), 0);
    const std::vector<uint8_t> codes = CommandCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_WRITE_KEYMAP), 0);
    EXPECT_EQ(keyboard->KeyMap(), before);
}

TEST_F(KeyboardPageTest, AnAbsurdKeyCountLeavesTheMapsEmpty) {
    std::vector<uint8_t> info = keyboard->Info();
    info[5] = 171;
    keyboard->SetInfoRecord(info);
    page->InitialSync();
    Settle();
    EXPECT_FALSE(page->HasKeyMap());
    EXPECT_TRUE(page->KeyToDeviceIndex().empty());
    const std::vector<uint8_t> codes = CommandCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_READ_KEYMAP), 0);
    EXPECT_EQ(keyboard->GroupDepth(), 0);  // the opened group is closed again
}

// The tab item's timer: the reads run on the device worker, the rest comes
// back to this (UI) thread only when its tasks run.
TEST_F(KeyboardPageTest, TheTimerSyncReadsOnTheDeviceWorkerAndAppliesOnTheUiThread) {
    keyboard->ClearExchanges();
    page->OnInitialSyncTimer();
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    EXPECT_FALSE(page->HasKeyMap()) << "nothing is applied before the UI thread runs it";

    ASSERT_TRUE(PumpUntil([&] { return page->HasKeyMap() && page->IsDeviceWorkDone(); }));
    EXPECT_EQ(CollapsedCommandCodes(), kInitialSyncCodes) << "the same as the direct one";
    const auto block = keyboard::BuildSettingsBlock(0, SettingsOf(ProfileFile()));
    EXPECT_EQ(MemoryRange(*keyboard, 0, 25), std::vector<uint8_t>(block.begin(), block.end()));
    EXPECT_EQ(page->KeyToDeviceIndex().at(0), DeviceKeyOf(0));
    EXPECT_TRUE(page->IsLightingThreadRunning());
}

// A write made on the UI thread while the worker's read group is under way
// waits for that group: START ... FINISH groups never interleave.
TEST_F(KeyboardPageTest, AUiWriteDuringTheWorkersReadGroupKeepsTheGroupsApart) {
    keyboard->SetLatency(std::chrono::milliseconds(3));
    keyboard->ClearExchanges();
    page->OnInitialSyncTimer();
    ASSERT_TRUE(PumpUntil([&] { return !CommandCodes().empty(); }));
    page->WriteSettings(0, 0, 1, 0, 0);
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    keyboard->SetLatency(std::chrono::microseconds(0));

    int depth = 0;
    for (uint8_t code : CommandCodes()) {
        if (code == CMD_START) {
            EXPECT_EQ(depth, 0) << "a group started inside another";
            ++depth;
        } else if (code == CMD_FINISH) {
            --depth;
        }
    }
    EXPECT_EQ(depth, 0);
}

TEST_F(KeyboardPageTest, ReadBackOnTheKeyboardsRequestStoresClampedValuesInTheProfile) {
    page->InitialSync();
    Settle();
    ASSERT_TRUE(page->AttachNotifyPath(notifyPath));
    // The keyboard's own keys changed mode, brightness beyond range, speed
    // byte beyond range, colour and the Windows-key lock.
    const uint8_t changed[] = {7, 99, 9, 0, 1, 10, 20, 30};
    keyboard->ChangeMemoryOnDevice(1, changed);
    const uint8_t winLock[] = {5};
    keyboard->ChangeMemoryOnDevice(21, winLock);

    ASSERT_TRUE(PumpUntil([&] { return window.host.TimerCount() > 0; }));
    window.host.AdvanceTime(100);
    ASSERT_TRUE(PumpUntil(
        [&] { return ProfileFile()["Device"][0]["LightInfo"]["SelectItem"].asInt() == 7; }));
    const Json::Value info = ProfileFile()["Device"][0]["LightInfo"];
    EXPECT_EQ(info["Light"].asInt(), 24);
    EXPECT_EQ(info["Speed"].asInt(), 0);
    EXPECT_EQ(info["Red"].asInt(), 10);
    EXPECT_EQ(info["Green"].asInt(), 20);
    EXPECT_EQ(info["Blue"].asInt(), 30);
    EXPECT_EQ(page->GetSystemSettings()[CZembravaKeyboardDevice::kWinLockFlag], 1);
    EXPECT_EQ(page->GetSettingsBlock()[16], 0);
}

// A read-back that fails half-way, whether the timer or the keyboard's
// request started it, leaves the profile file and the page's light as they were.
TEST_F(KeyboardPageTest, AFailedReadBackChangesNothing) {
    struct Case {
        const char* what;
        std::function<void()> readBack;
    };
    const Case cases[] = {
        {"timer",
         [&] {
             page->OnSyncRequestTimer();
             ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
             window.host.RunPendingTasks();
         }},
        {"keyboard's request", [&] { EXPECT_NE(page->OnSyncRequest(), kChannelOk); }},
    };
    page->InitialSync();
    Settle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = ReadFileText(page->GetProfileName());
        const uint8_t changed[] = {7, 10, 1};
        keyboard->ChangeMemoryOnDevice(1, changed);
        keyboard->InjectFault(sim::SimFault::NoAnswer, 2, CMD_READ_MEMORY);
        c.readBack();
        EXPECT_EQ(keyboard->PendingFaults(), 0u) << "the read met the fault";
        EXPECT_EQ(ReadFileText(page->GetProfileName()), before);
        EXPECT_NE(page->GetLightSettings()[LightSetting::kMode], 7);
    }
}

class KeyboardMacroTest : public KeyboardPageTest {
  protected:
    void WriteMacros(const std::vector<int>& eventCounts) {
        Json::Value index;
        for (size_t m = 0; m < eventCounts.size(); ++m) {
            const std::string guid = "macro" + std::to_string(m);
            Json::Value entry;
            entry["MacroName"] = guid;
            entry["Guid"] = guid;
            index["MacroInfo"].append(entry);
            Json::Value macro;
            macro["Events"] = Json::Value(Json::arrayValue);
            for (int e = 0; e < eventCounts[m]; ++e) {
                macro["Events"].append(MacroEvent{10, static_cast<uint8_t>(4 + e), e % 2 == 0,
                                                  static_cast<uint16_t>(100 + e)}
                                           .ToJson());
            }
            ASSERT_EQ(WriteJsonFile(page->UserFolder() / (guid + ".mac"), macro), 0);
        }
        ASSERT_EQ(WriteJsonFile(page->UserFolder() / "macro.config", index), 0);
    }
};

TEST_F(KeyboardMacroTest, ImageOfThreeMacrosReachesTheKeyboard) {
    WriteMacros({10, 0, 5});
    EXPECT_EQ(page->WriteMacros(), 0);
    const std::vector<uint8_t> area = keyboard->MacroArea();
    ASSERT_GE(area.size(), 94u);
    EXPECT_EQ(area[0], 0xAA);
    EXPECT_EQ(area[1], 0x55);
    EXPECT_EQ(area[2] | area[3] << 8, 94);
    EXPECT_EQ(area[4] | area[5] << 8, 3);
    EXPECT_EQ(area[16] | area[17] << 8, 22);
    EXPECT_EQ(area[18] | area[19] << 8, 66);
    EXPECT_EQ(area[20] | area[21] << 8, 70);
    EXPECT_TRUE(keyboard->MacroImageValid());
}

TEST_F(KeyboardMacroTest, AnImageThatDoesNotFitIsRefusedWithItsCount) {
    WriteMacros({10, 0, 5});
    std::vector<uint8_t> info = keyboard->Info();
    info[6] = 0;  // no macro memory
    keyboard->SetInfoRecord(info);
    keyboard->ClearExchanges();
    EXPECT_EQ(page->WriteMacros(), (94 - 0) / 4 + 1);
    const std::vector<uint8_t> codes = CommandCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_WRITE_MACROS), 0);
}

TEST_F(KeyboardMacroTest, AnImageThatDoesNotReachTheKeyboardIsAFailure) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"refused",
         [&] { keyboard->InjectFault(sim::SimFault::StatusRejected, 1, CMD_WRITE_MACROS); }},
        {"channel closed", [&] { page->CloseCommandChannel(); }},
    };
    WriteMacros({10, 0, 5});
    for (const Case& c : cases) {
        c.arrange();
        EXPECT_EQ(page->WriteMacros(), CZembravaKeyboardDevice::kMacroWriteFailed) << c.what;
    }
}

TEST_F(KeyboardMacroTest, MacrosBeyondWhatTheKeyboardPlaysAreNotSentCutShort) {
    WriteMacros({2001});
    keyboard->ClearExchanges();
    EXPECT_EQ(page->WriteMacros(), CZembravaKeyboardDevice::kMacrosBeyondLimits);
    const std::vector<uint8_t> codes = CommandCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_WRITE_MACROS), 0);
}

TEST_F(KeyboardMacroTest, NoMacrosSendNothing) {
    keyboard->ClearExchanges();
    EXPECT_EQ(page->WriteMacros(), 0);
    const std::vector<uint8_t> codes = CommandCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_WRITE_MACROS), 0);
}

TEST_F(KeyboardPageTest, TogglingAKeyInPerKeyModeSendsTheOneByteThatChanged) {
    page->InitialSync();
    Settle();
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = 22;
    light[LightSetting::kRed] = 255;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    const int led = page->KeyToLed().at(64);
    const auto position = keyboard::BitmapPosition(led);
    ASSERT_TRUE(position.has_value());
    const bool wasLit =
        (page->GetKeyBitmap()[static_cast<size_t>(position->byte)] >> position->bit) & 1;

    keyboard->ClearExchanges();
    EXPECT_EQ(page->ToggleKeyLight(64, -1), kChannelOk);
    Settle();
    const auto requests = keyboard->CommandRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(CodeOf(requests[0]), CMD_WRITE_KEY_LIGHTS);
    EXPECT_EQ(requests[0][4], 1);                                     // one byte
    EXPECT_EQ(requests[0][5] | requests[0][6] << 8, position->byte);  // at its position
    const bool nowLit =
        (keyboard->KeyLightBitmap()[static_cast<size_t>(position->byte)] >> position->bit) & 1;
    EXPECT_NE(nowLit, wasLit);

    // Outside mode 22 nothing is toggled.
    light[LightSetting::kMode] = 5;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    keyboard->ClearExchanges();
    EXPECT_EQ(page->ToggleKeyLight(64, -1), 0);
    Settle();
    EXPECT_TRUE(keyboard->CommandRequests().empty());
}

// Nothing ticks a still preview: the lighting thread has an edit mirrored
// onto the buttons once.
TEST_F(KeyboardPageTest, AStillPreviewShowsAToggledKeyWithoutATick) {
    page->InitialSync();
    Settle();
    page->SetPreviewShown(true);
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = CZembravaKeyboardDevice::kPerKeyMode;
    light[LightSetting::kRed] = 255;
    light[LightSetting::kBrightness] = 24;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    ASSERT_FALSE(page->LightingAnimates());
    auto* button =
        static_cast<ILightButton*>(page->LightButton(64)->GetInterface(kLightButtonInterface));
    const auto shownAsStored = [&] {
        return button->GetLightLevel() == UnpackLedEntry(page->GetLedColour(64)).level;
    };
    ASSERT_TRUE(PumpUntil(shownAsStored));
    const uint8_t before = button->GetLightLevel();

    page->ToggleKeyLight(64, -1);
    EXPECT_TRUE(PumpUntil([&] { return shownAsStored() && button->GetLightLevel() != before; }));
    page->ToggleKeyLight(64, -1);
    EXPECT_TRUE(PumpUntil([&] { return shownAsStored() && button->GetLightLevel() == before; }));
}

TEST_F(KeyboardPageTest, AnUnmappedKeyNeverReachesTheBitmap) {
    keyboard->InjectFault(sim::SimFault::NoAnswer, 1, CMD_READ_KEYMAP);
    page->InitialSync();  // no maps
    Settle();
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = 22;
    light[LightSetting::kRed] = 255;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    keyboard->ClearExchanges();
    EXPECT_EQ(page->ToggleKeyLight(64, -1), 0);
    EXPECT_TRUE(keyboard->CommandRequests().empty());
    for (uint8_t byte : page->GetKeyBitmap()) EXPECT_EQ(byte, 0);
}

TEST_F(KeyboardPageTest, LedStatusGoesToOffset15AndTheProfile) {
    page->InitialSync();
    Settle();
    EXPECT_EQ(page->SetLedStatus(true), kChannelOk);
    Settle();
    EXPECT_EQ(keyboard->Memory()[15], 1);
    EXPECT_EQ(ProfileFile()["Device"][0]["LightInfo"]["LedStaus"].asInt(), 1);
    EXPECT_EQ(page->SetLedStatus(false), kChannelOk);
    Settle();
    EXPECT_EQ(keyboard->Memory()[15], 0);
}

// A refused bitmap write stays marked until a later key-light write goes
// through, and the next toggle sends the whole bitmap, not one byte.
TEST_F(KeyboardPageTest, AfterARefusedBitmapTheNextToggleSendsItWhole) {
    page->InitialSync();
    Settle();
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = CZembravaKeyboardDevice::kPerKeyMode;
    light[LightSetting::kRed] = 255;
    page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    keyboard->InjectFault(sim::SimFault::StatusError, 1, CMD_WRITE_KEY_LIGHTS);
    page->ToggleKeyLight(64, -1);
    Settle();
    EXPECT_TRUE(page->HasFailedWrite(DeviceWriteKind::KeyLights));

    keyboard->ClearExchanges();
    page->ToggleKeyLight(65, -1);
    Settle();
    const auto requests = keyboard->CommandRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0][4], keyboard::kBitmapSize) << "the whole bitmap";
    EXPECT_FALSE(page->HasFailedWrites());
    EXPECT_EQ(keyboard->KeyLightBitmap(),
              std::vector<uint8_t>(page->GetKeyBitmap().begin(), page->GetKeyBitmap().end()));
}

// Writes the user starts run on the device worker, in the order they were
// made, and each one's end reaches the main window: a refusal too.
TEST_F(KeyboardPageTest, QueuedWritesKeepTheirOrderAndTheirResultsReachTheWindow) {
    page->InitialSync();
    Settle();
    writeResults.clear();
    keyboard->ClearExchanges();
    keyboard->InjectFault(sim::SimFault::StatusError, 1, CMD_WRITE_KEY_LIGHTS);
    page->SetLedStatus(true);
    page->SetAllKeysLit(true, -1);
    page->SetLedStatus(false);
    EXPECT_TRUE(writeResults.empty()) << "nothing reaches the window before the UI thread runs it";
    Settle();
    EXPECT_EQ(writeResults, (std::vector<int>{kChannelOk, kChannelStatusError, kChannelOk}));
    EXPECT_EQ(CollapsedCommandCodes(),
              (std::vector<uint8_t>{CMD_START, CMD_WRITE_MEMORY, CMD_FINISH, CMD_WRITE_KEY_LIGHTS,
                                    CMD_START, CMD_WRITE_MEMORY, CMD_FINISH}));
    EXPECT_EQ(keyboard->Memory()[15], 0);
}

TEST_F(KeyboardPageTest, KeyPressesReachTheReactivePreview) {
    page->InitialSync();
    Settle();
    ASSERT_TRUE(page->AttachNotifyPath(notifyPath));
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = 8;
    page->Model().Apply([light](KeyboardState& s) { s.light = light; });
    Settle();

    keyboard->PressKey(static_cast<uint8_t>(DeviceKeyOf(64)));
    EXPECT_TRUE(PumpUntil([&] { return page->Lighting().KeyLevel(64) > 0; }));
    EXPECT_EQ(page->Lighting().KeyLevel(63), 0);
}

TEST_F(KeyboardPageTest, SystemSettingsControlsWriteTheBlock) {
    page->InitialSync();
    Settle();
    auto* option = static_cast<skin::COptionUI*>(window.pm.FindControl("polling_rate_option_2"));
    option->Selected(true);
    skin::TNotifyUI msg;
    msg.sType = "selectchanged";
    msg.pSender = option;
    EXPECT_TRUE(page->HandleSystemSettingNotify(msg));
    Settle();
    EXPECT_EQ(keyboard->Memory()[22], 2);
    EXPECT_EQ(page->Profile().GetSystemStages().words[1] >> 16, 2u);
}

TEST_F(KeyboardPageTest, RestoreDefaultsResetsTheFileAndTheKeyboard) {
    page->InitialSync();
    Settle();
    LightSetting light = page->GetLightSettings();
    light[LightSetting::kMode] = 3;
    light[LightSetting::kRed] = 1;
    page->Model().Apply([light](KeyboardState& s) { s.light = light; });
    Settle();
    ASSERT_EQ(keyboard->Memory()[1], 3);

    page->RestoreDefaults();
    Settle();
    const Json::Value defaults = ReadJsonFile(folder / "DefaultData" / "keyboard.Json");
    EXPECT_EQ(ProfileFile()["Device"][0]["LightInfo"], defaults["Device"][0]["LightInfo"]);
    const auto block = keyboard::BuildSettingsBlock(0, SettingsOf(defaults));
    EXPECT_EQ(MemoryRange(*keyboard, 0, 25), std::vector<uint8_t>(block.begin(), block.end()));
}

TEST_F(KeyboardPageTest, UnplugInTheMiddleOfTheSyncEndsWithAResultCode) {
    ASSERT_TRUE(page->AttachNotifyPath(notifyPath));
    keyboard->InjectFault(sim::SimFault::UnplugBeforeAnswer, 4);
    EXPECT_NE(page->InitialSync(), kChannelOk);
    EXPECT_FALSE(page->HasKeyMap());
    EXPECT_TRUE(page->StopThreads());
    page->DetachNotifyPath();
    page->CloseCommandChannel();
}

TEST_F(KeyboardPageTest, StoppingJoinsBothThreads) {
    ASSERT_TRUE(page->AttachNotifyPath(notifyPath));
    page->InitialSync();
    Settle();
    ASSERT_TRUE(page->IsNotifyThreadRunning());
    ASSERT_TRUE(page->IsLightingThreadRunning());
    EXPECT_TRUE(page->StopThreads());
    EXPECT_FALSE(page->IsNotifyThreadRunning());
    EXPECT_FALSE(page->IsLightingThreadRunning());
    page->DetachNotifyPath();
    EXPECT_FALSE(page->HasNotifyPath());
}

TEST_F(KeyboardPageTest, BindingIgnoresNumbersOutsideTheVectors) {
    for (int i : {0, 64, 125}) {
        EXPECT_EQ(page->KeyButton(i), window.pm.FindControl("key_" + std::to_string(i)));
        EXPECT_EQ(page->LightButton(i), window.pm.FindControl("key_" + std::to_string(i)));
    }
    EXPECT_EQ(page->KeyButton(200), nullptr);
    EXPECT_EQ(page->LightButton(300), nullptr);
    EXPECT_EQ(page->GetKeyPanel(), window.pm.FindControl("keyboard_device_key_light"));
}

}  // namespace
}  // namespace kelno::test
