// The mouse pad and same-mode synchronisation on the real program under
// Xvfb: the pad's first synchronisation only reads, its frames carry 15
// LEDs, a change made on the pad is followed by the page, and the lighting
// panel's same-mode button puts the mouse and the pad into one effect.

#include "panels_e2e_fixture.h"

namespace kelno::test {
namespace {

class PadEndToEnd : public PanelsEndToEnd {
  protected:
    std::string DemoOption() const override { return "--demo=mouse,mousepad"; }

    void Connect(LineClient& app, LineClient& emulator) {
        ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        ASSERT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        // Both pages synchronised: the pad's frames and the mouse's flow.
        for (const char* kind : {"mouse", "mousepad"}) {
            const std::string frame = AskUntil(emulator, std::string("frame ") + kind,
                                               [](const std::string& r) { return r != "ok"; });
            ASSERT_NE(frame, "ok") << kind << "\n" << Output();
        }
    }
};

TEST_F(PadEndToEnd, ThePadsFramesAndAChangeMadeOnThePad) {
    LineClient app, emulator;
    Connect(app, emulator);
    EXPECT_EQ(Words(emulator.Ask("frame mousepad")).size(), 1u + 45u) << "15 LEDs";
    const std::string memory = emulator.Ask("mem mousepad 0 9");
    EXPECT_EQ(MemoryByte(memory, 1), 1) << "the first synchronisation writes nothing";

    // The pad switches itself to a steady green.
    ASSERT_EQ(emulator.Ask("poke mousepad 1 03 04 05 00 00 00 ff 00"), "ok");
    const auto steadyGreen = [](const std::string& r) {
        const auto words = Words(r);
        return words.size() == 46 && words[1] == "00" && words[2] != "00" && words[3] == "00";
    };
    EXPECT_TRUE(steadyGreen(AskUntil(emulator, "frame mousepad", steadyGreen))) << Output();
}

TEST_F(PadEndToEnd, TheSameModeButtonPutsEveryDeviceIntoOneEffect) {
    LineClient app, emulator;
    Connect(app, emulator);
    // The mouse's page is the first one shown; breathing can be shared.
    const std::string modes = ShownRef(app, "light_combo_modeSelect");
    ASSERT_FALSE(modes.empty()) << Output();
    ASSERT_EQ(app.Ask("select " + modes + " 2"), "ok") << Output();
    const std::string button = ShownRef(app, "deng_same_mode");
    ASSERT_FALSE(button.empty()) << "offered with two devices\n" << Output();
    ASSERT_EQ(app.Ask("click " + button), "ok");
    for (const char* kind : {"mouse", "mousepad"}) {
        const std::string block =
            AskUntil(emulator, std::string("mem ") + kind + " 0 4",
                     [](const std::string& r) { return MemoryByte(r, 1) == 2; });
        EXPECT_EQ(MemoryByte(block, 1), 2) << kind << " breathes\n" << Output();
    }
    Screenshot(app, "same-mode.png");
}

}  // namespace
}  // namespace kelno::test
