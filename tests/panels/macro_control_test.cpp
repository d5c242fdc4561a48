// The macro editor on the emulated keyboard's page: the library operations
// checked on disk, in the key assignment panel and on the device; hand
// insertions and delay edits; recordings fed through the panel's capture
// entry with scripted times.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "core/json_file.h"
#include "devices/hook/hook_messages.h"
#include "devices/models/key_assignment_device.h"
#include "macros/macro_event.h"
#include "macros/mouse_event_lookup.h"
#include "panel_fixture.h"
#include "panels/macro_control.h"
#include "platform/sim/sim_devices.h"
#include "profiles/macro_assignment_remap.h"
#include "skin/controls/combo.h"
#include "skin/controls/list.h"
#include "support/temp_folder.h"

namespace kelno::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kScanA = 0x1E;
constexpr uint8_t kScanB = 0x30;
constexpr uint8_t kScanLeftShift = 0x2A;
constexpr uint8_t kUsageA = 0x04;
constexpr uint8_t kUsageB = 0x05;

// What a file's event says, in the form the tests compare.
struct EventSeen {
    int type;
    int button;
    std::string action;
    std::string delay;  // "#0" for the integer 0
    bool operator==(const EventSeen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EventSeen& e) {
    return out << "{" << e.type << ", " << e.button << ", " << e.action << ", " << e.delay << "}";
}

std::vector<EventSeen> EventsOf(const Json::Value& macro) {
    std::vector<EventSeen> seen;
    for (const Json::Value& event : macro["Events"]) {
        const Json::Value& delay = event["Delay"];
        seen.push_back({event["Type"].asInt(), event["Button"].asInt(), event["Action"].asString(),
                        delay.isString() ? delay.asString() : "#" + delay.asString()});
    }
    return seen;
}

Json::Value MacroFileOf(std::vector<MacroEvent> events) {
    Json::Value macro;
    macro["MacroName"] = "imported";
    macro["Guid"] = "somewhere-else";
    macro["Events"] = Json::Value(Json::arrayValue);
    for (const MacroEvent& event : events) macro["Events"].append(event.ToJson());
    macro["Version"] = kMacroFileVersion;
    return macro;
}

// Where the emulated keyboard keeps page key `pageKey` in its key map.
int DeviceKeyOf(int pageKey) {
    const std::vector<int>& order = sim::SimKeyboardDeviceOrder();
    for (size_t k = 0; k < order.size(); ++k)
        if (order[k] == pageKey) return static_cast<int>(k);
    return -1;
}

uint32_t PlayMacro(int index) {
    return uint32_t{kPlayMacroAssignment} << 16 | static_cast<uint32_t>(index) << 8;
}

class MacroPanelTest : public KeyboardPageTest {
  protected:
    CMacroControlUI& Macros() { return *CMacroControlUI::Of(*device); }
    IKeyAssignmentDevice& Keys() { return *keyboard; }

    // Macros with these names and events, before the page is built.
    void PrepareMacros(const std::vector<std::pair<std::string, std::vector<MacroEvent>>>& macros) {
        Json::Value index;
        index["MacroInfo"] = Json::Value(Json::arrayValue);
        for (size_t i = 0; i < macros.size(); ++i) {
            const std::string guid = "g" + std::to_string(i);
            Json::Value entry;
            entry["MacroName"] = macros[i].first;
            entry["Guid"] = guid;
            index["MacroInfo"].append(entry);
            ASSERT_EQ(WriteJsonFile(UserFolder() / (guid + ".mac"), MacroFileOf(macros[i].second)),
                      0);
        }
        ASSERT_EQ(WriteJsonFile(UserFolder() / "macro.config", index), 0);
    }

    Json::Value Index() const { return ReadJsonFile(UserFolder() / "macro.config"); }
    std::vector<std::string> IndexNames() const {
        std::vector<std::string> names;
        const Json::Value index = Index();
        for (const Json::Value& entry : index["MacroInfo"])
            names.push_back(entry["MacroName"].asString());
        return names;
    }
    std::filesystem::path MacroPath(int index) const {
        return UserFolder() / (Index()["MacroInfo"][index]["Guid"].asString() + ".mac");
    }
    std::vector<EventSeen> SavedEvents(int index) const {
        return EventsOf(ReadJsonFile(MacroPath(index)));
    }
    std::vector<std::string> KeyPanelMacros() {
        std::vector<std::string> names;
        auto* combo = Find<skin::CComboUI>("keyset_macro_combo");
        for (int i = 0; combo && i < combo->GetCount(); ++i)
            names.push_back(combo->GetItemAt(i)->GetText());
        return names;
    }
    skin::CListUI* NameList() { return Find<skin::CListUI>("macro_name_list"); }
    skin::CListUI* ActionList() { return Find<skin::CListUI>("macro_action_list"); }
    // The user picks a macro in the list (its "itemselect" is routed).
    void PickMacro(int index) { NameList()->SelectItem(index, true); }
    void PickAction(int index) { ActionList()->SelectItem(index, true); }
    skin::CControlUI* DelayEdit(int action) {
        auto* item = static_cast<skin::CContainerUI*>(
            ActionList()->GetItemAt(action)->GetInterface("Container"));
        return item ? item->GetItemAt(2) : nullptr;
    }
    std::vector<std::string> MessageIds() const {
        std::vector<std::string> ids;
        for (const FakePanelHost::Message& message : panelHost.messages)
            ids.push_back(message.textId);
        return ids;
    }
    void SetKey(int pageKey, uint32_t assignment) {
        KeyAssignmentPair record = Keys().GetKeyAssignments()[static_cast<size_t>(pageKey)];
        record.current = KeyAssignment::FromPacked(static_cast<uint16_t>(pageKey), assignment);
        Keys().SetKeyAssignment(pageKey, record);
    }
    uint32_t KeyIn(const Json::Value& profile, int pageKey) const {
        return profile["Device"][0]["KeyList"][pageKey]["Assignment"].asUInt();
    }

    // Recording: the start is at t0, the inputs at t0 + their offsets.
    void StartRecordingAt(Clock::time_point t0) {
        Macros().SetSteadyClock([t0] { return t0; });
    }
    void Key(int32_t mode, uint8_t scan, bool down, Clock::time_point at) {
        Macros().OnCapturedInput(mode, {input::KeyInput{down, scan, false}, at});
    }
    void Button(int32_t mode, input::MouseButton button, bool down, skin::Point at,
                Clock::time_point time) {
        Macros().OnCapturedInput(mode, {input::ButtonInput{down, button, at.x, at.y}, time});
    }
};

// --- the library ------------------------------------------------------------------------

TEST_F(MacroPanelTest, AddTakesTheFirstFreeNameAndTheKeyPanelListFollows) {
    PrepareMacros({{"macro_1", {}}, {"Macro_3", {}}});
    BuildPage();
    EXPECT_EQ(Macros().GetMacroNames(), (std::vector<std::string>{"macro_1", "Macro_3"}));
    EXPECT_FALSE(Find<skin::CControlUI>("macro_action_layout")->IsEnabled());

    Click("macro_btn_name_add");
    Click("macro_btn_name_add");
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"macro_1", "Macro_3", "macro_2", "macro_4"}));
    EXPECT_EQ(Macros().GetSelectedMacroIndex(), 3);
    EXPECT_TRUE(Find<skin::CControlUI>("macro_action_layout")->IsEnabled());
    EXPECT_EQ(KeyPanelMacros(), IndexNames());
    EXPECT_TRUE(panelHost.messages.empty());
}

TEST_F(MacroPanelTest, AFullLibraryAddsAndImportsNothingSilently) {
    std::vector<std::pair<std::string, std::vector<MacroEvent>>> fifty;
    for (int i = 0; i < MacroLimits::kMacrosPerDevice; ++i)
        fifty.push_back({"m" + std::to_string(i), {}});
    PrepareMacros(fifty);
    const std::string source = (temp.Path() / "in.mac").string();
    ASSERT_EQ(WriteJsonFile(source, MacroFileOf({MacroEvent{10, kUsageA, true, 5}})), 0);
    BuildPage();
    const std::string before = temp.ReadFile("user/keyboard/macro.config");

    Click("macro_btn_name_add");
    panelHost.openAnswers.push_back(source);
    Click("macro_btn_import");
    EXPECT_EQ(temp.ReadFile("user/keyboard/macro.config"), before);
    EXPECT_EQ(Macros().GetMacroNames().size(), 50u);
    EXPECT_TRUE(panelHost.messages.empty());
}

TEST_F(MacroPanelTest, RenameRefusesAnyTakenNameAndOtherwiseRenamesEverywhere) {
    PrepareMacros({{"Jump", {}}, {"Run", {}}});
    BuildPage();
    PickMacro(1);

    for (const char* taken : {"jump", "RUN"}) {
        Type("macro_edit_macroname", taken);
        Click("macro_btn_name_edit");
        EXPECT_EQ(panelHost.messages.back().textId, "message_text_5") << taken;
        EXPECT_EQ(IndexNames(), (std::vector<std::string>{"Jump", "Run"}));
    }

    Type("macro_edit_macroname", "Sprint");
    Click("macro_btn_name_edit");
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"Jump", "Sprint"}));
    EXPECT_EQ(NameList()->GetItemAt(1)->GetText(), "Sprint");
    EXPECT_EQ(Find<skin::CControlUI>("macro_edit_macroname")->GetText(), "");
    EXPECT_EQ(KeyPanelMacros(), (std::vector<std::string>{"Jump", "Sprint"}));
}

TEST_F(MacroPanelTest, ImportCopiesAValidFileAndRefusesAnythingElse) {
    PrepareMacros({{"Jump", {}}});
    const std::filesystem::path valid = temp.Path() / "valid.mac";
    ASSERT_EQ(WriteJsonFile(valid, MacroFileOf({MacroEvent{10, kUsageA, true, 120},
                                                MacroEvent{10, kUsageA, false, 0}})),
              0);
    temp.WriteFile("broken.mac", "{\"Events\": 7}");
    BuildPage();

    panelHost.openAnswers.push_back((temp.Path() / "broken.mac").string());
    Click("macro_btn_import");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_macro_import_invalid"}));
    EXPECT_EQ(IndexNames().size(), 1u);

    Click("macro_btn_import");  // the dialog is cancelled
    EXPECT_EQ(IndexNames().size(), 1u);

    panelHost.openAnswers.push_back(valid.string());
    Click("macro_btn_import");
    ASSERT_EQ(IndexNames().size(), 2u);
    EXPECT_EQ(ReadFileText(MacroPath(1)), ReadFileText(valid));  // byte for byte
    EXPECT_EQ(Macros().GetSelectedMacroIndex(), 1);
    EXPECT_EQ(ActionList()->GetCount(), 2);
    EXPECT_EQ(KeyPanelMacros().size(), 2u);
}

TEST_F(MacroPanelTest, ExportCopiesTheSavedFileAndSaysWhenThereIsNone) {
    PrepareMacros({{"Jump", {MacroEvent{10, kUsageB, true, 30}}}});
    BuildPage();
    const std::filesystem::path target = temp.Path() / "out.mac";

    Click("macro_btn_export");  // nothing selected: no dialog
    EXPECT_EQ(panelHost.dialogsShown, 0);

    PickMacro(0);
    panelHost.saveAnswers.push_back(target.string());
    Click("macro_btn_export");
    EXPECT_EQ(panelHost.savedNameSuggestions, (std::vector<std::string>{"Jump"}));
    EXPECT_EQ(ReadFileText(target), ReadFileText(MacroPath(0)));

    Click("macro_btn_name_add");  // a new macro has no file yet
    panelHost.saveAnswers.push_back((temp.Path() / "none.mac").string());
    Click("macro_btn_export");
    EXPECT_EQ(panelHost.messages.back().textId, "message_text_macro_nothing_to_export");
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "none.mac"));
}

TEST_F(MacroPanelTest, DeleteRemapsTheKeysInMemoryInOtherProfilesAndOnTheDevice) {
    PrepareMacros({{"zero", {MacroEvent{10, kUsageA, true, 1}}},
                   {"one", {MacroEvent{10, kUsageB, true, 2}}},
                   {"two", {MacroEvent{10, kUsageA, false, 3}}}});
    BuildPage();
    Settle();
    // A second profile in the folder plays macro 2 on key 5 and macro 1 on key 6.
    Json::Value other = ProfileFile(Uuid(0));
    other["profileUUID"] = "other";
    other["Device"][0]["KeyList"][5]["Assignment"] = PlayMacro(2);
    other["Device"][0]["KeyList"][6]["Assignment"] = PlayMacro(1);
    ASSERT_EQ(WriteJsonFile(UserFolder() / "other.Json", other), 0);
    Json::Value list = ListFile();
    Json::Value entry;
    entry["profilename"] = "other";
    entry["profileUUID"] = "other";
    list["profilelist"].append(entry);
    ASSERT_EQ(WriteJsonFile(UserFolder() / "ProfileList.ini", list), 0);
    // On the open profile key 64 plays macro 2, key 65 macro 1.
    SetKey(64, PlayMacro(2));
    SetKey(65, PlayMacro(1));
    const KeyAssignment default65 = Keys().GetKeyAssignments()[65].defaults;

    PickMacro(1);
    panelHost.messageAnswers = {IPanelHost::Choice::Ok, IPanelHost::Choice::Cancel};
    Click("macro_btn_name_sub");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_4", "message_text_2"}));
    EXPECT_EQ(IndexNames().size(), 3u);  // the second question was cancelled
    EXPECT_EQ(Keys().GetKeyAssignments()[64].current.Packed(), PlayMacro(2));

    panelHost.messages.clear();
    Click("macro_btn_name_sub");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_4", "message_text_2"}));
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"zero", "two"}));
    EXPECT_FALSE(std::filesystem::exists(UserFolder() / "g1.mac"));
    EXPECT_EQ(KeyPanelMacros(), (std::vector<std::string>{"zero", "two"}));
    EXPECT_EQ(Macros().GetSelectedMacroIndex(), 0);

    EXPECT_EQ(Keys().GetKeyAssignments()[64].current.Packed(), PlayMacro(1));
    EXPECT_EQ(Keys().GetKeyAssignments()[65].current, default65);
    const Json::Value open = ProfileFile(Uuid(0));
    EXPECT_EQ(KeyIn(open, 64), PlayMacro(1));
    EXPECT_EQ(KeyIn(open, 65), default65.Packed());
    const Json::Value otherAfter = ProfileFile("other");
    EXPECT_EQ(KeyIn(otherAfter, 5), PlayMacro(1));
    EXPECT_EQ(KeyIn(otherAfter, 6),
              otherAfter["Device"][0]["KeyList"][6]["DefaultAssignment"].asUInt());

    // The device has the two macros left and plays the moved one.
    Settle();
    const std::vector<uint8_t> area = firmware->MacroArea();
    ASSERT_GE(area.size(), 6u);
    EXPECT_EQ(area[4] | area[5] << 8, 2);
    const size_t at = 3 * static_cast<size_t>(DeviceKeyOf(64));
    const std::vector<uint8_t> keyMap = firmware->KeyMap();
    ASSERT_GT(keyMap.size(), at + 2);
    EXPECT_EQ(keyMap[at], kPlayMacroAssignment);
    EXPECT_EQ(keyMap[at + 1], 1);
}

TEST_F(MacroPanelTest, WhatTheLibraryRefusesIsToldAndChangesNothing) {
    PrepareMacros({{"m", {MacroEvent{10, kUsageA, true, 5}}}});
    temp.WriteFile("not_a_folder", "plain file");
    BuildPage();
    PickMacro(0);

    // A folder in the place of the macro's file: the actions stay on screen.
    std::filesystem::rename(UserFolder() / "g0.mac", temp.Path() / "g0.aside");
    std::filesystem::create_directories(UserFolder() / "g0.mac" / "inside");
    EXPECT_TRUE(Macros().OnMenuCommand("left_down"));
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_macro_save_failed"}));
    EXPECT_EQ(Macros().Actions().Size(), 2);
    std::filesystem::remove_all(UserFolder() / "g0.mac");
    std::filesystem::rename(temp.Path() / "g0.aside", UserFolder() / "g0.mac");
    Click("macro_btn_save");  // the retry goes through
    EXPECT_EQ(SavedEvents(0).size(), 2u);

    panelHost.messages.clear();
    panelHost.saveAnswers.push_back((temp.Path() / "not_a_folder" / "out.mac").string());
    Click("macro_btn_export");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_macro_copy_failed"}));

    // A damaged index is kept aside and nothing is added to it.
    panelHost.messages.clear();
    temp.WriteFile("user/keyboard/macro.config", "{\"MacroInfo\": [");
    Click("macro_btn_name_add");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_macro_index_damaged"}));
    EXPECT_EQ(temp.ReadFile("user/keyboard/macro.config"), "{\"MacroInfo\": [");
    EXPECT_TRUE(std::filesystem::exists(UserFolder() / "macro.config.bak"));

    // One that cannot be read has no backup, and the message says none.
    panelHost.messages.clear();
    std::filesystem::remove(UserFolder() / "macro.config");
    std::filesystem::remove(UserFolder() / "macro.config.bak");
    std::filesystem::create_directories(UserFolder() / "macro.config" / "inside");
    Click("macro_btn_name_add");
    EXPECT_EQ(MessageIds(), (std::vector<std::string>{"message_text_macro_index_unreadable"}));
    EXPECT_FALSE(std::filesystem::exists(UserFolder() / "macro.config.bak"));
}

// --- actions ----------------------------------------------------------------------------

TEST_F(MacroPanelTest, InsertionsByHandFollowThePositionAndSelectionRules) {
    const std::vector<MacroEvent> five(5, MacroEvent{10, kUsageA, true, 10});
    struct Case {
        const char* name;
        std::vector<MacroEvent> events;
        int selected;
        std::vector<std::pair<int, uint8_t>> inserted;  // position, type byte
        int selectedAfter;
    } cases[] = {
        {"left_click", five, 4, {{5, 0x81}, {6, 0x01}}, 6},
        {"left_down", {}, -1, {{0, 0x81}}, -1},
        {"left_click", {}, -1, {{0, 0x81}, {1, 0x01}}, 1},
        {"forward_up", five, -1, {{1, 0x01}}, 1},
    };
    PrepareMacros({{"m", {}}});
    BuildPage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(WriteJsonFile(UserFolder() / "g0.mac", MacroFileOf(c.events)), 0);
        PickMacro(0);
        Macros().OnMacroSelected();
        PickAction(c.selected);
        Type("macro_fixed_time_edit", "40");
        EXPECT_TRUE(Macros().OnMenuCommand(c.name));
        const std::vector<MacroEvent>& events = Macros().Actions().Events();
        ASSERT_EQ(events.size(), c.events.size() + c.inserted.size());
        for (const auto& [position, typeByte] : c.inserted) {
            EXPECT_EQ(events[static_cast<size_t>(position)].TypeByte(), typeByte) << position;
            EXPECT_EQ(events[static_cast<size_t>(position)].delay, 40) << position;
        }
        EXPECT_EQ(Macros().Actions().Selected(), c.selectedAfter);
        EXPECT_EQ(ActionList()->GetCurSel(), c.selectedAfter);
        EXPECT_EQ(SavedEvents(0).size(), events.size());  // saved at once
    }
}

TEST_F(MacroPanelTest, ActivatingAnActionOpensTheMenuOnItAndItsItemsInsertThere) {
    const std::vector<MacroEvent> four(4, MacroEvent{10, kUsageA, true, 10});
    PrepareMacros({{"m", four}});
    BuildPage();
    PickMacro(0);
    pm.SendNotify(ActionList()->GetItemAt(2), "itemactivate");
    EXPECT_EQ(panelHost.menusShown, (std::vector<std::string>{kMacroActionMenu}));
    EXPECT_EQ(Macros().Actions().Selected(), 2);

    ASSERT_TRUE(Macros().OnMenuCommand("right_click"));
    const std::vector<MacroEvent>& events = Macros().Actions().Events();
    ASSERT_EQ(events.size(), 6u);
    MacroEvent rightDown = *MouseButtonEvent(mouse_message::kRightDown, ExtraMouseButton::Back);
    rightDown.delay = 50;  // the fixed delay
    EXPECT_EQ(events[3], rightDown);
    EXPECT_EQ(events[4].TypeByte(), rightDown.TypeByte() & 0x7F);
    EXPECT_EQ(Macros().Actions().Selected(), 4);
    EXPECT_FALSE(Macros().OnMenuCommand("no_such_item"));
}

TEST_F(MacroPanelTest, SavingAMacroThatAKeyPlaysRewritesTheDeviceMacros) {
    PrepareMacros({{"played", {}}, {"idle", {}}});
    BuildPage();
    Settle();
    SetKey(64, PlayMacro(0));

    PickMacro(1);
    ASSERT_TRUE(Macros().OnMenuCommand("left_click"));
    Settle();
    EXPECT_TRUE(firmware->MacroArea().empty());  // no key plays it

    PickMacro(0);
    ASSERT_TRUE(Macros().OnMenuCommand("left_click"));
    Settle();
    const std::vector<uint8_t> area = firmware->MacroArea();
    ASSERT_GE(area.size(), 6u);
    EXPECT_EQ(area[4] | area[5] << 8, 2);  // both macros, at their places
    EXPECT_TRUE(firmware->MacroImageValid());
}

TEST_F(MacroPanelTest, ANewActionAtTheEndIsScrolledIntoView) {
    PrepareMacros({{"m", std::vector<MacroEvent>(200, MacroEvent{10, kUsageA, true, 1})}});
    BuildPage();
    PickMacro(0);
    pm.UpdateLayout();
    skin::CVerticalLayoutUI* body = ActionList()->GetList();
    ASSERT_EQ(body->GetScrollPos(), 0);

    PickAction(199);
    ActionList()->SetScrollPos(0);  // the user scrolled back up
    ASSERT_TRUE(Macros().OnMenuCommand("left_down"));
    pm.UpdateLayout();
    host.AdvanceTime(CMacroControlUI::kEnsureVisibleDelayMs);
    pm.UpdateLayout();
    const skin::Rect shown = body->GetPos();
    const skin::Rect item = ActionList()->GetItemAt(200)->GetPos();
    EXPECT_GT(body->GetScrollPos(), 0);
    EXPECT_GE(item.top, shown.top);
    EXPECT_LE(item.bottom, shown.bottom);
}

TEST_F(MacroPanelTest, AMoveDistanceBeyondAByteIsStoredAs255AndTheEditSaysSo) {
    PrepareMacros({{"m", {}}});
    BuildPage();
    PickMacro(0);
    Type("mouse_x_left_edit", "300");
    Click("macro_inset_moveleftkey_btn");
    ASSERT_EQ(Macros().Actions().Size(), 1);
    EXPECT_EQ(Macros().Actions().Events()[0].button, 255);
    EXPECT_EQ(Find<skin::CControlUI>("mouse_x_left_edit")->GetText(), "255");
    EXPECT_EQ(SavedEvents(0).size(), 1u);
}

TEST_F(MacroPanelTest, ADelayEditIsClampedAndSavedWhenItLosesTheFocus) {
    PrepareMacros({{"m", {MacroEvent{10, kUsageA, true, 10}, MacroEvent{10, kUsageA, false, 20}}}});
    BuildPage();
    PickMacro(0);
    pm.UpdateLayout();
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {{"99999", "65535"}, {"", "0"}, {"007", "7"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        skin::CControlUI* edit = DelayEdit(0);
        edit->SetText(c.typed);
        pm.SendNotify(edit, "killfocus");
        EXPECT_EQ(SavedEvents(0)[0].delay, c.stored);
        EXPECT_EQ(DelayEdit(0)->GetText(), c.stored);
    }
}

TEST_F(MacroPanelTest, MovesKeepTheShownDelaysAndEndsChangeNothing) {
    PrepareMacros({{"m",
                    {MacroEvent{10, kUsageA, true, 1}, MacroEvent{10, kUsageB, true, 2},
                     MacroEvent{10, kUsageB, false, 3}}}});
    BuildPage();
    PickMacro(0);
    DelayEdit(2)->SetText("33");  // typed, focus not yet left
    PickAction(2);
    Click("macro_btn_uptop");
    EXPECT_EQ(SavedEvents(0), (std::vector<EventSeen>{{10, kUsageB, "up", "33"},
                                                      {10, kUsageA, "down", "1"},
                                                      {10, kUsageB, "down", "2"}}));
    EXPECT_EQ(ActionList()->GetCurSel(), 0);
    Click("macro_btn_up");  // already at the top
    EXPECT_EQ(SavedEvents(0)[0], (EventSeen{10, kUsageB, "up", "33"}));
    Click("macro_btn_deleteall");
    EXPECT_TRUE(SavedEvents(0).empty());
}

// --- recording --------------------------------------------------------------------------

TEST_F(MacroPanelTest, RealTimeRecordingPutsEachWaitOnTheEventBeforeIt) {
    PrepareMacros({{"m", {}}});
    BuildPage();
    PickMacro(0);
    const Clock::time_point t0 = Clock::now();
    StartRecordingAt(t0);
    Click("macro_btn_starredio");
    ASSERT_TRUE(Macros().IsRecording());
    EXPECT_EQ(panelHost.captureModes, (std::vector<int32_t>{hook::kModeRecord}));
    EXPECT_EQ(panelHost.enableCalls, (std::vector<bool>{false}));
    EXPECT_FALSE(Find<skin::CControlUI>("macro_btn_starredio")->IsVisible());
    EXPECT_TRUE(Find<skin::CControlUI>("macro_btn_stopredio")->IsVisible());

    const int32_t mode = hook::kModeRecord;
    Key(mode, kScanA, true, t0);
    Key(mode, kScanA, true, t0 + 60ms);  // auto-repeat
    Key(mode, kScanA, false, t0 + 120ms);
    Key(hook::kModeInsertBefore, kScanB, true, t0 + 150ms);  // not this recording's
    Key(mode, 0x00, true, t0 + 200ms);                       // no such key
    Key(mode, kScanB, true, t0 + 300ms);
    ASSERT_EQ(Macros().Actions().Size(), 3);
    ASSERT_EQ(ActionList()->GetCount(), 3);
    EXPECT_EQ(ActionList()->GetCurSel(), 2);
    for (const auto& [action, shown] : {std::pair{0, "120"}, {1, "180"}, {2, "0"}})
        EXPECT_EQ(DelayEdit(action)->GetText(), shown) << action;

    Click("macro_btn_stopredio");
    EXPECT_FALSE(Macros().IsRecording());
    EXPECT_EQ(panelHost.captureStops, 1);
    EXPECT_EQ(panelHost.enableCalls, (std::vector<bool>{false, true}));
    EXPECT_TRUE(Find<skin::CControlUI>("macro_btn_starredio")->IsVisible());
    // B was still held at the stop: its release ends the macro.
    EXPECT_EQ(SavedEvents(0), (std::vector<EventSeen>{{10, kUsageA, "down", "120"},
                                                      {10, kUsageA, "up", "180"},
                                                      {10, kUsageB, "down", "0"},
                                                      {10, kUsageB, "up", "0"}}));
}

TEST_F(MacroPanelTest, FixedDelayRecordingTakesMouseClicksButNotTheStopButton) {
    PrepareMacros({{"m", {}}});
    BuildPage();
    PickMacro(0);
    Click("macro_check_time");
    Type("macro_fixed_time_edit", "70000");
    const Clock::time_point t0 = Clock::now();
    StartRecordingAt(t0);
    Macros().SetScreenOrigin([] { return skin::Point{100, 200}; });
    Click("macro_btn_starredio");
    EXPECT_EQ(Find<skin::CControlUI>("macro_fixed_time_edit")->GetText(), "65535");
    pm.UpdateLayout();
    const skin::Rect stop = Find<skin::CControlUI>("macro_btn_stopredio")->GetPos();
    const skin::Point onStop{100 + (stop.left + stop.right) / 2,
                             200 + (stop.top + stop.bottom) / 2};
    const skin::Point elsewhere{onStop.x, onStop.y + 400};

    const int32_t mode = hook::kModeRecord;
    using input::MouseButton;
    Button(mode, MouseButton::Left, true, elsewhere, t0 + 10ms);
    Button(mode, MouseButton::Left, false, elsewhere, t0 + 20ms);
    Key(mode, kScanLeftShift, true, t0 + 30ms);
    Button(mode, MouseButton::Forward, true, elsewhere, t0 + 40ms);
    Button(mode, MouseButton::Left, true, onStop, t0 + 50ms);
    Button(mode, MouseButton::Left, false, onStop, t0 + 60ms);
    Macros().EndRecording();  // as when the window hides: kept and saved

    const auto mouse = [](uint16_t message, ExtraMouseButton extra) {
        const MacroEvent event = *MouseButtonEvent(message, extra);
        return EventSeen{event.type, event.button, event.down ? "down" : "up", "65535"};
    };
    // Shift and the forward button were still held: their releases end the
    // macro, the last pressed first.
    EXPECT_EQ(SavedEvents(0), (std::vector<EventSeen>{
                                  mouse(mouse_message::kLeftDown, ExtraMouseButton::Back),
                                  mouse(mouse_message::kLeftUp, ExtraMouseButton::Back),
                                  {9, 0x02, "down", "65535"},
                                  mouse(mouse_message::kExtraDown, ExtraMouseButton::Forward),
                                  mouse(mouse_message::kExtraUp, ExtraMouseButton::Forward),
                                  {9, 0x02, "up", "65535"}}));
    EXPECT_FALSE(Macros().IsRecording());
    EXPECT_EQ(panelHost.captureStops, 0);  // the host had ended the capture
    EXPECT_EQ(panelHost.enableCalls, (std::vector<bool>{false, true}));
}

TEST_F(MacroPanelTest, MenuRecordingsInsertBeforeOrReplaceTheSelectedAction) {
    const std::vector<MacroEvent> five(5, MacroEvent{10, kUsageB, false, 9});
    PrepareMacros({{"m", five}});
    BuildPage();
    PickMacro(0);
    const Clock::time_point t0 = Clock::now();
    StartRecordingAt(t0);

    PickAction(3);
    ASSERT_TRUE(Macros().OnMenuCommand("redio_previous_ignore_time"));
    for (int i = 0; i < 3; ++i) {
        Key(hook::kModeInsertBefore, kScanA, i % 2 == 0, t0 + i * 10ms);
    }
    EXPECT_EQ(Macros().Actions().Selected(), 6);
    EXPECT_EQ(ActionList()->GetCount(), 8);
    EXPECT_EQ(ActionList()->GetCurSel(), 6);
    Click("macro_btn_stopredio");
    const std::vector<EventSeen> saved = SavedEvents(0);
    // A was still held at the stop: its release goes in front of the
    // selected action too.
    ASSERT_EQ(saved.size(), 9u);
    EXPECT_EQ(saved[3], (EventSeen{10, kUsageA, "down", "0"}));
    EXPECT_EQ(saved[5], (EventSeen{10, kUsageA, "down", "0"}));
    EXPECT_EQ(saved[6], (EventSeen{10, kUsageA, "up", "0"}));
    EXPECT_EQ(saved[7], (EventSeen{10, kUsageB, "up", "9"}));

    PickAction(7);
    ASSERT_TRUE(Macros().OnMenuCommand("macro_action_edit"));
    EXPECT_EQ(panelHost.captureModes.back(), hook::kModeReplace);
    Key(hook::kModeReplace, kScanLeftShift, true, t0 + 100ms);
    Click("macro_btn_stopredio");
    EXPECT_EQ(SavedEvents(0)[7], (EventSeen{9, 0x02, "up", "9"}));  // its state and delay stay
}

TEST_F(MacroPanelTest, ARefusedCaptureLeavesNothingRecording) {
    PrepareMacros({{"m", {}}});
    BuildPage();
    PickMacro(0);
    for (CaptureResult refused : {CaptureResult::GrabRefused, CaptureResult::Failed}) {
        panelHost.captureResult = refused;
        Click("macro_btn_starredio");
        EXPECT_FALSE(Macros().IsRecording());
        EXPECT_TRUE(Find<skin::CControlUI>("macro_btn_starredio")->IsVisible());
        EXPECT_FALSE(Find<skin::CControlUI>("macro_btn_stopredio")->IsVisible());
        EXPECT_TRUE(Find<skin::CControlUI>("macro_tab_macroaction_edit")->IsEnabled());
        Key(hook::kModeRecord, kScanA, true, Clock::now());
        EXPECT_EQ(Macros().Actions().Size(), 0);
    }
    EXPECT_TRUE(panelHost.enableCalls.empty());
    EXPECT_EQ(panelHost.captureModes.size(), 2u);
}

TEST_F(MacroPanelTest, AFullMacroRecordsNothingAndSaysTheRecordingStopped) {
    PrepareMacros({{"m", std::vector<MacroEvent>(MacroLimits::kEventsPerMacro,
                                                 MacroEvent{10, kUsageA, true, 1})}});
    BuildPage();
    PickMacro(0);
    Click("macro_btn_starredio");
    Key(hook::kModeRecord, kScanB, true, Clock::now());
    EXPECT_EQ(Macros().Actions().Size(), MacroLimits::kEventsPerMacro);
    EXPECT_FALSE(Macros().IsRecording());
    EXPECT_EQ(panelHost.captureStops, 1);
    EXPECT_FALSE(Find<skin::CControlUI>("macro_btn_stopredio")->IsVisible());
    EXPECT_EQ(SavedEvents(0).size(), static_cast<size_t>(MacroLimits::kEventsPerMacro));
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kMacroRecordingFull});
}

// Typing on past the action limit: the recording stops where a press would
// have no room for its release, what is held is released, and the user is
// told once.
TEST_F(MacroPanelTest, ARecordingBeyondTheLimitKeepsWholePressReleasePairsAndSaysSo) {
    PrepareMacros({{"m", {}}});
    BuildPage();
    PickMacro(0);
    const Clock::time_point t0 = Clock::now();
    StartRecordingAt(t0);
    Click("macro_btn_starredio");
    const int32_t mode = hook::kModeRecord;
    Key(mode, kScanLeftShift, true, t0);
    for (int i = 0; i < MacroLimits::kEventsPerMacro; ++i) {
        Key(mode, kScanA, true, t0 + std::chrono::milliseconds(2 * i + 1));
        Key(mode, kScanA, false, t0 + std::chrono::milliseconds(2 * i + 2));
    }
    EXPECT_FALSE(Macros().IsRecording());
    EXPECT_EQ(panelHost.captureStops, 1);
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kMacroRecordingFull});
    EXPECT_TRUE(Find<skin::CControlUI>("macro_btn_starredio")->IsVisible());

    const std::vector<EventSeen> saved = SavedEvents(0);
    ASSERT_LE(saved.size(), static_cast<size_t>(MacroLimits::kEventsPerMacro));
    ASSERT_GE(saved.size(), static_cast<size_t>(MacroLimits::kEventsPerMacro - 1));
    std::map<std::pair<int, int>, int> held;
    for (const EventSeen& e : saved) held[{e.type, e.button}] += e.action == "down" ? 1 : -1;
    for (const auto& [key, count] : held)
        EXPECT_EQ(count, 0) << "type " << key.first << " button " << key.second;
    EXPECT_EQ(saved.back(), (EventSeen{9, 0x02, "up", "0"})) << "Shift let go at the end";
    EXPECT_EQ(ActionList()->GetCount(), static_cast<int>(saved.size()));
}

}  // namespace
}  // namespace kelno::test
