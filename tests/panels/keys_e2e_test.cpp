// The key assignment panel on the real program under Xvfb: keys typed
// through XTEST (xdotool), as a user's keyboard types them, are captured
// from the whole display, reach the emulated keyboard and the profile file,
// and the keyboard is given back when the capture's device goes away.

#include <sstream>
#include <vector>

#include "panels_e2e_fixture.h"
#include "support/command_run.h"
#include "support/x_other_client.h"

namespace kelno::test {
namespace {

class KeysEndToEnd : public PanelsEndToEnd {
  protected:
    // Real key presses through the X server (XTEST), e.g. "ctrl+c".
    void TypeKeys(const std::string& keys) {
        const CommandRun run =
            RunCommand("DISPLAY=" + display_.Name() + " xdotool key --delay 40 " + keys + " 2>&1");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    // Opens the key page and key `key` on it; the key text edit's reference.
    std::string OpenKey(LineClient& app, LineClient& emulator, int key) {
        OpenKeyboardPage(app, emulator);
        // Keys are written only over a key map the program has read.
        EXPECT_TRUE(WaitForFirstSync(emulator)) << Output();
        EXPECT_EQ(app.Ask("click " + ShownRef(app, "key_Op_tab")), "ok") << Output();
        EXPECT_EQ(app.Ask("click " + ShownRef(app, "key_" + std::to_string(key))), "ok");
        const std::string functions = ShownRef(app, "keyset_function_combo");
        EXPECT_FALSE(functions.empty()) << "the key panel did not show\n" << Output();
        EXPECT_EQ(app.Ask("select " + functions + " 6"), "ok");  // a keyboard key
        return ShownRef(app, "keyset_keyboard_text_edit");
    }
};

TEST_F(KeysEndToEnd, ACapturedCtrlCReachesTheKeyboardAndTheProfile) {
    LineClient app, emulator;
    const std::string edit = OpenKey(app, emulator, 64);
    ASSERT_FALSE(edit.empty());
    const std::vector<std::string> before = Words(emulator.Ask("keymap keyboard"));

    ASSERT_EQ(app.Ask("click " + edit), "ok");  // the capture starts with the focus
    TypeKeys("ctrl+c");
    const std::string shown =
        AskUntil(app, "find " + edit, [](const std::string& r) { return r.ends_with(" text=C"); });
    ASSERT_TRUE(shown.ends_with(" text=C")) << shown << "\n" << Output();
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "key_butt_prosave")), "ok");
    Screenshot(app, "key-capture.png");

    // The one key that changed on the keyboard now sends Ctrl+C.
    const std::vector<std::string> after = Words(AskUntil(
        emulator, "keymap keyboard", [&](const std::string& r) { return Words(r) != before; }));
    ASSERT_EQ(after.size(), before.size());
    std::vector<std::string> changed;
    for (size_t key = 1; key + 2 < after.size(); key += 3) {
        if (after[key] != before[key] || after[key + 1] != before[key + 1] ||
            after[key + 2] != before[key + 2])
            changed.push_back(after[key] + " " + after[key + 1] + " " + after[key + 2]);
    }
    EXPECT_EQ(changed, std::vector<std::string>{"20 01 06"});

    // And the profile file says so, once the keyboard's answer came back.
    const Json::Value list = List();
    const std::string uuid = list["profilelist"][0]["profileUUID"].asString();
    const auto assignment = [&] {
        const Json::Value profile = ReadJsonFile(data_ / "keyboard" / (uuid + ".Json"));
        return profile["Device"][0]["KeyList"][64]["Assignment"].asUInt();
    };
    Eventually([&] { return assignment() == 0x200106u; });
    EXPECT_EQ(assignment(), 0x200106u);
}

TEST_F(KeysEndToEnd, UnpluggingTheKeyboardDuringACaptureGivesTheKeyboardBack) {
    XOtherClient other(display_.Name());
    ASSERT_TRUE(other.Connected());
    LineClient app, emulator;
    const std::string edit = OpenKey(app, emulator, 64);
    ASSERT_FALSE(edit.empty());
    // Another program has the focus; our window's edit asks for the keys.
    ASSERT_TRUE(other.FocusOwnWindow());
    ASSERT_EQ(app.Ask("click " + edit), "ok");
    ASSERT_FALSE(other.KeyboardIsFree()) << "the capture holds the keyboard";
    TypeKeys("b");
    EXPECT_FALSE(other.GotKeyPress());

    ASSERT_EQ(emulator.Ask("unplug keyboard"), "ok");
    ASSERT_EQ(app.Ask("wait-visible No_device_Link 30000"), "ok") << Output();
    TypeKeys("a");
    EXPECT_TRUE(other.WaitForKeyPress()) << "the keyboard is still taken\n" << Output();
}

}  // namespace
}  // namespace kelno::test
