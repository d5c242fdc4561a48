// The voice changer panel on a fake headset page, built from the shipped
// layout: the switch and the voices ask for their actions, the voices
// follow the switch, a refused write puts the control back, and a headset
// without a voice changer gets a disabled panel with its notice.

#include <gtest/gtest.h>

#include "headset_panel_fixture.h"
#include "skin/host/headless_input.h"

namespace kelno::test {
namespace {

using Settings = HeadsetSystemSettings;
using Calls = std::vector<std::string>;

class VoiceChangerPanel : public HeadsetPanelTest {
  protected:
    std::vector<int> SelectedVoices() {
        std::vector<int> selected;
        for (int voice = 1; voice <= 4; ++voice)
            if (IsSelected("magic_option_" + std::to_string(voice))) selected.push_back(voice);
        return selected;
    }
    void ShowChanger(bool on, int voice) {
        Actions().Value(Settings::kMagicEnable) = on;
        Actions().Value(Settings::kMagicType) = voice;
        Show();
    }
};

TEST_F(VoiceChangerPanel, ShowsTheStoredVoiceAndTheVoicesFollowTheSwitch) {
    ShowChanger(true, 3);
    EXPECT_TRUE(IsSelected("magic_enable_option"));
    EXPECT_EQ(SelectedVoices(), std::vector<int>{3});
    EXPECT_TRUE(IsEnabled("magic_option_layout"));
    EXPECT_FALSE(Find("magic_unsupported_label")->IsVisible());

    ShowChanger(false, 0);
    EXPECT_FALSE(IsSelected("magic_enable_option"));
    EXPECT_EQ(SelectedVoices(), std::vector<int>{});
    EXPECT_FALSE(IsEnabled("magic_option_layout"));

    Magic().SelectVoice(2);
    Magic().SelectVoice(7);  // names no voice
    EXPECT_EQ(SelectedVoices(), std::vector<int>{});
    EXPECT_EQ(Magic().SelectedVoice(), 0);
    EXPECT_TRUE(Actions().calls.empty()) << "showing writes nothing";
}

TEST_F(VoiceChangerPanel, TheSwitchAndTheVoicesAskForTheirActions) {
    Click("magic_option_4");
    EXPECT_EQ(Actions().calls, Calls{"ChooseVoice 4"});
    EXPECT_EQ(SelectedVoices(), std::vector<int>{4});

    Actions().calls.clear();
    Click("magic_enable_option");
    EXPECT_EQ(Actions().calls, Calls{"SetVoiceChangerOn 0"});
    EXPECT_FALSE(IsEnabled("magic_option_layout"));
    Click("magic_enable_option");
    EXPECT_TRUE(IsEnabled("magic_option_layout"));
}

TEST_F(VoiceChangerPanel, ARefusedWritePutsTheControlBack) {
    ShowChanger(true, 1);
    Actions().refused = {"ChooseVoice", "SetVoiceChangerOn"};
    Click("magic_option_2");
    EXPECT_EQ(SelectedVoices(), std::vector<int>{1});
    Click("magic_enable_option");
    EXPECT_TRUE(IsSelected("magic_enable_option"));
    EXPECT_TRUE(IsEnabled("magic_option_layout"));
    EXPECT_EQ(Actions().calls, (Calls{"ChooseVoice 2", "SetVoiceChangerOn 0"}));
}

TEST_F(VoiceChangerPanel, WithoutAVoiceChangerThePanelIsDisabledAndSaysSo) {
    Actions().supported = false;
    ShowChanger(true, 2);
    EXPECT_TRUE(Find("magic_unsupported_label")->IsVisible());
    for (const char* name : {"magic_enable_option", "magic_option_layout", "magic_option_2"})
        EXPECT_FALSE(IsEnabled(name)) << name;
    pm.UpdateLayout();
    skin::ClickControl(host, pm, "magic_option_3");
    skin::ClickControl(host, pm, "magic_enable_option");
    EXPECT_TRUE(Actions().calls.empty());

    Actions().supported = true;  // another headset on the same page
    Show();
    EXPECT_FALSE(Find("magic_unsupported_label")->IsVisible());
    EXPECT_TRUE(IsEnabled("magic_option_layout"));
}

}  // namespace
}  // namespace kelno::test
