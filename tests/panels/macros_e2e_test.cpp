// The macro editor on the real program under Xvfb: a macro recorded from
// key presses typed through XTEST (xdotool) has the right events and delays
// in its file; assigned to a key and saved it is in the keyboard's macro
// area; deleting a macro remaps the keys of every profile and of the
// keyboard; and unplugging the keyboard during a recording gives the
// keyboard back and keeps what was recorded.

#include <map>
#include <sstream>
#include <vector>

#include "core/json_file.h"
#include "macros/macro_event.h"
#include "macros/macro_library_writer.h"
#include "panels_e2e_fixture.h"
#include "support/command_run.h"
#include "support/eventually.h"
#include "support/x_other_client.h"

namespace kelno::test {
namespace {

struct RecordedEvent {
    int type = 0;
    int button = 0;
    bool down = false;
    int delay = 0;
};

class MacrosEndToEnd : public PanelsEndToEnd {
  protected:
    // Real input through the X server (XTEST): an xdotool command line.
    void Xdotool(const std::string& arguments) {
        const CommandRun run =
            RunCommand("DISPLAY=" + display_.Name() + " xdotool " + arguments + " 2>&1");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    void Open(LineClient& app, LineClient& emulator) {
        OpenKeyboardPage(app, emulator);
        ASSERT_TRUE(WaitForFirstSync(emulator)) << Output();
    }
    void Click(LineClient& app, const std::string& name) {
        const std::string ref = ShownRef(app, name);
        ASSERT_FALSE(ref.empty()) << name << " is not shown\n" << Output();
        ASSERT_EQ(app.Ask("click " + ref), "ok") << name;
    }
    void Select(LineClient& app, const std::string& name, int item) {
        const std::string ref = ShownRef(app, name);
        ASSERT_FALSE(ref.empty()) << name << " is not shown\n" << Output();
        ASSERT_EQ(app.Ask("select " + ref + " " + std::to_string(item)), "ok") << name;
    }
    // Adds a macro on the macro page (shown first).
    void AddMacro(LineClient& app) {
        Click(app, "macro_Op_tab");
        Click(app, "macro_btn_name_add");
    }
    fs::path Folder() const { return data_ / "keyboard"; }
    Json::Value Index() const { return ReadJsonFile(Folder() / "macro.config"); }
    std::vector<RecordedEvent> Events(int macro) const {
        const std::string guid = Index()["MacroInfo"][macro]["Guid"].asString();
        const Json::Value file = ReadJsonFile(Folder() / (guid + ".mac"));
        std::vector<RecordedEvent> events;
        for (const Json::Value& e : file["Events"]) {
            const Json::Value& delay = e["Delay"];
            events.push_back({e["Type"].asInt(), e["Button"].asInt(), e["Action"] == "down",
                              delay.isString() ? std::stoi(delay.asString()) : delay.asInt()});
        }
        return events;
    }
    Json::Value Profile(int index) const {
        const std::string uuid = List()["profilelist"][index]["profileUUID"].asString();
        return ReadJsonFile(Folder() / (uuid + ".Json"));
    }
    static uint32_t AssignmentOf(const Json::Value& profile, int key,
                                 const char* which = "Assignment") {
        return profile["Device"][0]["KeyList"][key][which].asUInt();
    }
    // Assigns macro `macro` to key `key` on the key page and saves it.
    void AssignMacro(LineClient& app, int key, int macro) {
        Click(app, "key_Op_tab");
        Click(app, "key_" + std::to_string(key));
        Select(app, "keyset_function_combo", 9);
        Select(app, "keyset_macro_combo", macro);
        Click(app, "key_butt_prosave");
    }
};

TEST_F(MacrosEndToEnd, ARecordedMacroHasItsKeysAndDelaysAndReachesTheKeyboard) {
    LineClient app, emulator;
    Open(app, emulator);
    AddMacro(app);
    ASSERT_EQ(Index()["MacroInfo"].size(), 1u);
    Click(app, "macro_btn_starredio");  // real time between the keys
    Xdotool("keydown a sleep 0.2 keyup a sleep 0.4 keydown b keyup b");
    const std::string actions = ShownRef(app, "macro_action_list");
    AskUntil(app, "find " + actions,
             [](const std::string& r) { return r.find(" items=4 ") != std::string::npos; });
    Click(app, "macro_btn_stopredio");
    Screenshot(app, "macro-recorded.png");

    const std::vector<RecordedEvent> events = Events(0);
    ASSERT_EQ(events.size(), 4u) << Output();
    const int buttons[] = {0x04, 0x04, 0x05, 0x05};
    const bool downs[] = {true, false, true, false};
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].type, 10) << i;
        EXPECT_EQ(events[i].button, buttons[i]) << i;
        EXPECT_EQ(events[i].down, downs[i]) << i;
    }
    // Each delay is the wait after its event: about 200 ms, 400 ms, a few
    // milliseconds, and nothing after the last (generous bounds: a loaded
    // machine stretches them).
    EXPECT_GE(events[0].delay, 150);
    EXPECT_LE(events[0].delay, 2000);
    EXPECT_GE(events[1].delay, 350);
    EXPECT_LE(events[1].delay, 3000);
    EXPECT_LE(events[2].delay, 1000);
    EXPECT_EQ(events[3].delay, 0);

    AssignMacro(app, 64, 0);
    const std::string area =
        AskUntil(emulator, "macros keyboard", [](const std::string& r) { return r.size() > 3; });
    // The image holds the four events in their compact form (type 10 with
    // the down bit, usage) after its header.
    EXPECT_NE(area.find("8a 04"), std::string::npos) << area;
    EXPECT_NE(area.find("0a 05"), std::string::npos) << area;
    // Stored once the keyboard's answer came back.
    Eventually([&] { return AssignmentOf(Profile(0), 64) == 0x700000u; });
    EXPECT_EQ(AssignmentOf(Profile(0), 64), 0x700000u);
}

// A modifier tapped many times over while recording: every tap is one
// press and one release, in that order.
TEST_F(MacrosEndToEnd, TappingShiftRecordsOnePressAndOneReleasePerTap) {
    LineClient app, emulator;
    Open(app, emulator);
    AddMacro(app);
    Click(app, "macro_btn_starredio");
    constexpr int kTaps = 300;
    Xdotool("key --delay 2 --repeat " + std::to_string(kTaps) + " Shift_L");
    const std::string actions = ShownRef(app, "macro_action_list");
    const std::string expected = " items=" + std::to_string(2 * kTaps) + " ";
    const std::string shown = AskUntil(app, "find " + actions, [&](const std::string& r) {
        return r.find(expected) != std::string::npos;
    });
    Click(app, "macro_btn_stopredio");
    const std::vector<RecordedEvent> events = Events(0);
    ASSERT_EQ(events.size(), static_cast<size_t>(2 * kTaps)) << shown << "\n" << Output();
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].type, 9) << i;  // a modifier: Shift's bit
        EXPECT_EQ(events[i].button, 0x02) << i;
        EXPECT_EQ(events[i].down, i % 2 == 0) << i;
    }
}

// A macro 20 actions short of the 2000 it may hold, kept before the start.
class FullMacroEndToEnd : public MacrosEndToEnd {
  protected:
    static constexpr int kStored = 1980;
    void PrepareData() override {
        fs::create_directories(Folder());
        Json::Value macro;
        macro["MacroName"] = "long";
        macro["Guid"] = "g0";
        macro["Version"] = kMacroFileVersion;
        macro["Events"] = Json::Value(Json::arrayValue);
        for (int i = 0; i < kStored; ++i)
            macro["Events"].append(MacroEvent{10, 0x07, i % 2 == 0, 5}.ToJson());
        ASSERT_EQ(WriteJsonFile(Folder() / "g0.mac", macro), 0);
        Json::Value index;
        index["MacroInfo"][0]["MacroName"] = "long";
        index["MacroInfo"][0]["Guid"] = "g0";
        ASSERT_EQ(WriteJsonFile(Folder() / "macro.config", index), 0);
    }
};

// Typing on past the actions a macro holds, with Shift held: the recording
// stops by itself, says so, and the saved macro lets go of every key it
// pressed.
TEST_F(FullMacroEndToEnd, ARecordingPastTheLimitStopsAndLeavesNoKeyHeld) {
    LineClient app, emulator;
    Open(app, emulator);
    Click(app, "macro_Op_tab");
    Select(app, "macro_name_list", 0);
    Click(app, "macro_btn_starredio");
    Xdotool("keydown Shift_L key --delay 1 --repeat 30 a");
    ASSERT_EQ(app.Ask("wait-visible MessageText 20000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("macro is full"), std::string::npos)
        << app.Ask("find MessageText");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");
    Xdotool("keyup Shift_L");
    EXPECT_FALSE(ShownRef(app, "macro_btn_starredio").empty()) << "the recording ended";

    const std::vector<RecordedEvent> events = Events(0);
    ASSERT_GE(events.size(), 1999u) << Output();
    ASSERT_LE(events.size(), 2000u);
    std::map<std::pair<int, int>, int> held;
    for (const RecordedEvent& e : events) held[{e.type, e.button}] += e.down ? 1 : -1;
    for (const auto& [key, count] : held)
        EXPECT_EQ(count, 0) << "type " << key.first << " button " << key.second;
    EXPECT_EQ(events[kStored].type, 9) << "Shift first";
    EXPECT_FALSE(events.back().down);
}

TEST_F(MacrosEndToEnd, DeletingAMacroRemapsTheKeysOfEveryProfileAndTheKeyboard) {
    LineClient app, emulator;
    Open(app, emulator);
    AddMacro(app);
    Click(app, "macro_btn_name_add");
    ASSERT_EQ(Index()["MacroInfo"].size(), 2u);
    AssignMacro(app, 64, 1);  // the second macro on the active profile

    // A second profile whose keys play both macros.
    Click(app, "profile_fun_spread_btn");
    Click(app, "device_add_btn");
    ASSERT_EQ(List()["profilelist"].size(), 2u) << Output();
    // The first profile is still the active one: the new one is only listed.
    Json::Value other = Profile(1);
    other["Device"][0]["KeyList"][10]["Assignment"] = 0x700100;  // macro 1
    other["Device"][0]["KeyList"][11]["Assignment"] = 0x700000;  // macro 0
    const std::string otherUuid = List()["profilelist"][1]["profileUUID"].asString();
    ASSERT_EQ(WriteJsonFile(Folder() / (otherUuid + ".Json"), other), 0);

    Click(app, "macro_Op_tab");
    Select(app, "macro_name_list", 0);
    Click(app, "macro_btn_name_sub");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok") << "the delete asks first";

    ASSERT_TRUE(Eventually([&] { return Index()["MacroInfo"].size() == 1u; })) << Output();
    ASSERT_TRUE(Eventually([&] { return AssignmentOf(Profile(0), 64) == 0x700000u; }));
    EXPECT_EQ(AssignmentOf(Profile(0), 64), 0x700000u) << "macro 1 is now macro 0";
    const Json::Value remapped = ReadJsonFile(Folder() / (otherUuid + ".Json"));
    EXPECT_EQ(AssignmentOf(remapped, 10), 0x700000u);
    EXPECT_EQ(AssignmentOf(remapped, 11), AssignmentOf(remapped, 11, "DefaultAssignment"))
        << "a key of the deleted macro gets its own function back";
    const std::string keymap = AskUntil(emulator, "keymap keyboard", [](const std::string& r) {
        return r.find("70 00 00") != std::string::npos;
    });
    EXPECT_NE(keymap.find("70 00 00"), std::string::npos);
    EXPECT_EQ(keymap.find("70 01 00"), std::string::npos);
}

TEST_F(MacrosEndToEnd, UnpluggingTheKeyboardWhileRecordingGivesTheKeyboardBack) {
    XOtherClient other(display_.Name());
    ASSERT_TRUE(other.Connected());
    LineClient app, emulator;
    Open(app, emulator);
    AddMacro(app);
    ASSERT_TRUE(other.FocusOwnWindow());
    Click(app, "macro_btn_starredio");
    ASSERT_FALSE(other.KeyboardIsFree()) << "the recording holds the keyboard";
    Xdotool("key a");
    const std::string actions = ShownRef(app, "macro_action_list");
    AskUntil(app, "find " + actions,
             [](const std::string& r) { return r.find(" items=2 ") != std::string::npos; });

    ASSERT_EQ(emulator.Ask("unplug keyboard"), "ok");
    ASSERT_EQ(app.Ask("wait-visible No_device_Link 30000"), "ok") << Output();
    Xdotool("key b");
    EXPECT_TRUE(other.WaitForKeyPress()) << "the keyboard is still taken\n" << Output();
    EXPECT_EQ(Events(0).size(), 2u) << "the recording ended as Stop ends it, saved";
}

}  // namespace
}  // namespace kelno::test
