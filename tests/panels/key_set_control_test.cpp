// The key assignment panel on the emulated keyboard: what a captured key
// becomes on the key, in the profile file and in the keyboard's key map;
// that the buttons follow what is saved; that saving sends the macros
// before the key map; and that failures are told.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/json_access.h"
#include "core/json_file.h"
#include "devices/hid/command_report.h"
#include "macros/macro_library_writer.h"
#include "panel_fixture.h"
#include "panels/message_texts.h"
#include "platform/sim/sim_devices.h"
#include "skin/controls/combo.h"

namespace kelno::test {
namespace {

constexpr int kKey = 64;  // "A" on the emulated keyboard

input::KeyInput Press(uint8_t scan, bool extended = false) {
    return {true, scan, extended};
}

class KeyPanel : public KeyboardPageTest {
  protected:
    void SetUp() override {
        KeyboardPageTest::SetUp();
        BuildPage();
        Settle();
        device->SelectKey(kKey);
    }

    // The user picks a function category in the function list.
    void ChooseCategory(int category) {
        auto* functions = Find<skin::CComboUI>("keyset_function_combo");
        ASSERT_NE(functions, nullptr);
        for (int i = 0; i < functions->GetCount(); ++i) {
            if (functions->GetItemAt(i)->GetUserData() == std::to_string(category)) {
                functions->SelectItem(i, true);
                return;
            }
        }
        FAIL() << "no category " << category;
    }
    KeyAssignment Current() const { return keyboard->GetKeyAssignments()[kKey].current; }
    // In the profile file once the keyboard's answer was taken.
    uint32_t StoredAssignment() {
        Settle();
        const Json::Value profile = ReadJsonFile(device->GetProfileName());
        const Json::Value& keys =
            json::Member(json::Element(json::Member(profile, "Device"), 0), "KeyList");
        return static_cast<uint32_t>(json::ReadInt64(json::Element(keys, kKey), "Assignment"));
    }
    std::vector<uint8_t> DeviceCode() {
        Settle();
        const std::vector<int>& order = sim::SimKeyboardDeviceOrder();
        const auto at = std::find(order.begin(), order.end(), kKey) - order.begin();
        const std::vector<uint8_t> map = firmware->KeyMap();
        return {map.begin() + 3 * at, map.begin() + 3 * at + 3};
    }
    bool SaveButtonsEnabled() { return Find<skin::CControlUI>("key_butt_prosave")->IsEnabled(); }
    std::vector<uint8_t> CommandCodes() const {
        std::vector<uint8_t> codes;
        for (const auto& request : firmware->CommandRequests())
            if (request.size() > 3 && (codes.empty() || codes.back() != request[3]))
                codes.push_back(request[3]);
        return codes;
    }
};

TEST_F(KeyPanel, ACapturedCombinationReachesTheKeyTheProfileAndTheKeyboard) {
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x1D));  // left Ctrl
    Keys().OnCapturedKey(Press(0x2E));  // C
    EXPECT_EQ(Current(), KeyAssignment::FromPacked(Current().keyIndex, 0x200106));
    // Named as the key captions are named (the page's text resolver).
    EXPECT_EQ(Find<skin::CControlUI>("keyset_keyboard_text_edit")->GetText(),
              keyboard->ResolveText("keyboard_key_C"));
    EXPECT_TRUE(SaveButtonsEnabled());
    EXPECT_TRUE(Keys().HasUnsavedEdits());

    Click("key_butt_prosave");
    EXPECT_EQ(StoredAssignment(), 0x200106u);
    EXPECT_EQ(DeviceCode(), (std::vector<uint8_t>{0x20, 0x01, 0x06}));
    EXPECT_FALSE(SaveButtonsEnabled());
    EXPECT_FALSE(Keys().HasUnsavedEdits());
    EXPECT_TRUE(panelHost.messages.empty());
}

TEST_F(KeyPanel, ARightAltCaptureSurvivesApplyingAgain) {
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x38, true));  // right Alt alone
    EXPECT_EQ(Current().Packed(), 0x204000u);
    EXPECT_EQ(Keys().GetModifier(), 3);  // the Alt check
    Click("key_butt_keysave");
    EXPECT_EQ(Current().Packed(), 0x204000u);
    // A key afterwards keeps the right-hand Alt.
    Keys().OnCapturedKey(Press(0x1E));  // A
    EXPECT_EQ(Current().Packed(), 0x204004u);
}

TEST_F(KeyPanel, KeysOutsideTheTableAndReleasesChangeNothing) {
    ChooseCategory(6);
    const KeyAssignment before = Current();
    Keys().OnCapturedKey(Press(0x7F));           // no such key in the table
    Keys().OnCapturedKey({false, 0x2E, false});  // a release
    EXPECT_EQ(Current(), before);
}

TEST_F(KeyPanel, ARefreshKeepsAppliedEditsSavable) {
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x30));
    device->RefreshPanels();  // e.g. a macro was added meanwhile
    EXPECT_TRUE(SaveButtonsEnabled());
    Click("key_butt_prosave");
    EXPECT_EQ(StoredAssignment(), 0x200005u);
}

TEST_F(KeyPanel, DefaultShowsAndCancelTakesBack) {
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x30));  // B
    const KeyAssignment applied = Current();
    ASSERT_EQ(applied.Packed(), 0x200005u);

    Click("key_butt_keydefalut");  // shown, not applied
    EXPECT_EQ(Current(), applied);
    auto* functions = Find<skin::CComboUI>("keyset_function_combo");
    ASSERT_GE(functions->GetCurSel(), 0);
    EXPECT_EQ(functions->GetItemAt(functions->GetCurSel())->GetUserData(), "0");
    Click("key_butt_keysave");
    EXPECT_EQ(Current(), keyboard->GetKeyAssignments()[kKey].defaults);

    Keys().OnCapturedKey(Press(0x30));
    Click("key_butt_keycancel");
    EXPECT_FALSE(SaveButtonsEnabled());
    EXPECT_FALSE(Keys().HasUnsavedEdits());
}

TEST_F(KeyPanel, AKeyboardOffersNeitherDpiNorGunKeys) {
    auto* functions = Find<skin::CComboUI>("keyset_function_combo");
    for (int i = 0; i < functions->GetCount(); ++i) {
        const std::string category = functions->GetItemAt(i)->GetUserData();
        EXPECT_EQ(functions->GetItemAt(i)->IsVisible(), category != "4" && category != "10")
            << category;
    }
}

TEST_F(KeyPanel, SavingSendsTheMacrosBeforeTheKeyMapSoANewMacroPlays) {
    MacroLibraryWriter writer(UserFolder());
    const MacroLibraryResult created = writer.Create();
    ASSERT_EQ(created.status, MacroLibraryStatus::Ok);
    MacroEvent press;
    press.type = 10;
    press.button = 0x04;
    press.down = true;
    const std::vector<MacroEvent> events = {press};
    ASSERT_EQ(writer.SaveEvents(created.index, events).status, MacroLibraryStatus::Ok);
    device->RefreshPanels();
    device->SelectKey(kKey);

    ChooseCategory(9);
    Find<skin::CComboUI>("keyset_macro_combo")->SelectItem(0, true);
    EXPECT_EQ(Current().Packed(), 0x700000u);
    Settle();
    firmware->ClearExchanges();
    Click("key_butt_prosave");
    Settle();

    const std::vector<uint8_t> codes = CommandCodes();
    const auto macros = std::find(codes.begin(), codes.end(), CMD_WRITE_MACROS);
    const auto keymap = std::find(codes.begin(), codes.end(), CMD_WRITE_KEYMAP);
    ASSERT_NE(macros, codes.end());
    ASSERT_NE(keymap, codes.end());
    EXPECT_LT(macros, keymap);
    EXPECT_TRUE(firmware->MacroImageValid());
    EXPECT_EQ(DeviceCode(), (std::vector<uint8_t>{0x70, 0x00, 0x00}));
}

// Keys saved just before the user switches profile are not stored in the
// profile switched to; the keyboard ends on that profile's keys.
TEST_F(KeyPanel, KeysOnTheirWayAreNotStoredInAProfileSwitchedTo) {
    MenuClick("device_add_btn");
    Settle();
    const uint32_t other = [&] {
        const Json::Value profile = ProfileFile(Uuid(1));
        return static_cast<uint32_t>(json::ReadInt64(
            json::Element(json::Member(json::Element(json::Member(profile, "Device"), 0),
                                       "KeyList"),
                          kKey),
            "Assignment"));
    }();
    if (ProfileCombo()->GetCurSel() != 0) {
        ProfileCombo()->SelectItem(0, true);
        FireProfileSwitch();
        Settle();
    }
    device->SelectKey(kKey);
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x30));  // B
    firmware->SetLatency(std::chrono::milliseconds(5));
    Click("key_butt_prosave");
    ProfileCombo()->SelectItem(1, true);
    FireProfileSwitch();
    Settle();
    firmware->SetLatency(std::chrono::microseconds(0));

    const Json::Value switched = ProfileFile(Uuid(1));
    EXPECT_EQ(json::ReadInt64(json::Element(json::Member(json::Element(json::Member(switched,
                                                                                    "Device"),
                                                                       0),
                                                         "KeyList"),
                                            kKey),
                              "Assignment"),
              other);
    EXPECT_EQ(Current().Packed(), other) << "the page shows the profile switched to";
}

TEST_F(KeyPanel, AKeyMapTheKeyboardRefusesIsToldAndStaysUnsaved) {
    const uint32_t stored = StoredAssignment();
    ChooseCategory(6);
    Keys().OnCapturedKey(Press(0x30));
    Settle();
    firmware->InjectFault(sim::SimFault::StatusError, 1, CMD_WRITE_KEYMAP);
    Click("key_butt_prosave");
    Settle();  // the writes run on the device worker
    ASSERT_FALSE(panelHost.messages.empty());
    EXPECT_EQ(panelHost.messages.back().textId, texts::kKeyMapWriteFailed);
    EXPECT_TRUE(SaveButtonsEnabled());
    EXPECT_TRUE(Keys().HasUnsavedEdits());
    EXPECT_EQ(StoredAssignment(), stored) << "what the keyboard did not take is not stored";

    // Saved again, the edit the user kept goes through.
    Click("key_butt_prosave");
    EXPECT_EQ(StoredAssignment(), 0x200005u);
    EXPECT_FALSE(SaveButtonsEnabled());
}

}  // namespace
}  // namespace kelno::test
