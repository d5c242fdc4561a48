// The equaliser and microphone panel on a fake headset page, built from the
// shipped layout: each control asks for its one action, a refused write
// puts the control back, a band moved on a preset turns the page custom,
// and the custom curves are saved, refused as duplicates and deleted.

#include <gtest/gtest.h>

#include <functional>

#include "headset/eq_presets.h"
#include "headset_panel_fixture.h"
#include "panels/message_texts.h"

namespace kelno::test {
namespace {

using Settings = HeadsetSystemSettings;
using Calls = std::vector<std::string>;

std::string Band(int band) {
    return "6533_eq_hz_slider_" + std::to_string(band);
}

std::string Preset(int preset) {
    return "6533_eq_option_" + std::to_string(preset);
}

class EqualiserPanel : public HeadsetPanelTest {
  protected:
    void UsePreset(int preset) {
        Actions().Value(Settings::kEqType) = preset;
        Actions().bands = EqPresetGains(preset).value_or(EqGains{});
        Show();
    }
    EqGains ShownBands() {
        EqGains gains{};
        for (int band = 0; band < kEqBandCount; ++band)
            gains[static_cast<size_t>(band)] = SliderValue(Band(band));
        return gains;
    }
    std::vector<int> SelectedPresets() {
        std::vector<int> selected;
        for (int preset = 1; preset <= 13; ++preset)
            if (IsSelected(Preset(preset))) selected.push_back(preset);
        return selected;
    }
    std::vector<std::string> ListedNames() {
        std::vector<std::string> names;
        for (int i = 0; i < Voice().GetCustomCount(); ++i)
            names.push_back(Voice().GetCustomName(i));
        return names;
    }
    void TypeName(const std::string& name) { Find("custom_eq_name_edit")->SetText(name); }
};

TEST_F(EqualiserPanel, ShowsTheStoredSettings) {
    EXPECT_TRUE(IsSelected("6533_MicIn_option"));
    EXPECT_EQ(Voice().GetMicVolume(), 50);
    EXPECT_FALSE(IsSelected("6533_MicMoniter_option"));
    EXPECT_EQ(Voice().GetMonitorVolume(), 0);
    EXPECT_EQ(SelectedPresets(), std::vector<int>{13});
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Bass", "Voice"}));
    EXPECT_EQ(Voice().GetSelectedCustom(), 0);
    EXPECT_TRUE(IsEnabled("custom_eq_option_layout"));
    EXPECT_EQ(ShownBands(), Actions().curves[0]);

    // A preset: its option alone, the custom controls disabled; a stored
    // number that names nothing selects nothing.
    const std::pair<int, std::vector<int>> cases[] = {{12, {12}}, {1, {1}}, {0, {}}, {14, {}}};
    for (const auto& [preset, selected] : cases) {
        SCOPED_TRACE(preset);
        UsePreset(preset);
        EXPECT_EQ(SelectedPresets(), selected);
        EXPECT_FALSE(IsEnabled("custom_eq_option_layout"));
        EXPECT_TRUE(IsEnabled(Band(0))) << "bands stay movable on a preset";
    }
}

// Each control asks the page for exactly its action, with the value shown.
TEST_F(EqualiserPanel, EachControlAsksForItsAction) {
    struct Case {
        const char* what;
        std::function<void()> act;
        Calls expected;
    };
    const Case cases[] = {
        {"preset", [this] { Click(Preset(5)); }, {"ChoosePreset 5"}},
        {"custom chosen again", [this] { Click(Preset(13)); }, {}},
        {"band", [this] { MoveSlider(Band(9), -13); }, {"SetBand 9 -13"}},
        {"curve", [this] { PickListItem("custom_eq_name_combo", 1); }, {"ApplyCustomCurve 1"}},
        {"save",
         [this] {
             TypeName("Night");
             Click("hs_EQ_btn_save");
         },
         {"SaveCustomCurve 'Night' 1 1 1 1 1 1 1 1 1 1"}},
        {"delete", [this] { Click("hs_EQ_btn_delete"); }, {"DeleteCustomCurve"}},
        {"mic switch", [this] { Click("6533_MicIn_option"); }, {"SetMicOn 0"}},
        {"mic level", [this] { MoveSlider("6533_MicIn_slider", 70); }, {"SetMicVolume 70"}},
        {"monitor switch", [this] { Click("6533_MicMoniter_option"); }, {"SetMonitorOn 1"}},
        {"monitor level",
         [this] { MoveSlider("6533_MicMoniter_slider", 30); },
         {"SetMonitorVolume 30"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Actions().calls.clear();
        Actions().UseCustomCurves({"Bass", "Voice"}, 0);
        Actions().Value(Settings::kMicInSelect) = 1;
        Actions().Value(Settings::kMicMonitorSelect) = 0;
        Show();
        c.act();
        EXPECT_EQ(Actions().calls, c.expected);
        EXPECT_TRUE(panelHost.messages.empty());
    }
}

// Numbers no control of the layout carries reach nothing.
TEST_F(EqualiserPanel, NumbersOutsideTheRangesAreIgnored) {
    skin::TNotifyUI notify;
    notify.sType = "selectchanged";
    notify.pSender = Find(Preset(13));
    for (int number : {0, 14, -1})
        Voice().OnRoutedNotify({app::Handler::EqualiserOption, number}, notify, *page);
    notify.sType = "valuechanged";
    notify.pSender = Find(Band(0));
    for (int number : {10, -1})
        Voice().OnRoutedNotify({app::Handler::EqualiserSlider, number}, notify, *page);
    EXPECT_TRUE(Actions().calls.empty());
}

// A page without the audio actions (another device's) gets nothing done.
TEST_F(EqualiserPanel, APageWithoutAudioActionsIsLeftAlone) {
    CZembravaUSBDevice otherPage;
    Voice().BindDevice(&otherPage);
    Magic().BindDevice(&otherPage);
    EXPECT_EQ(SelectedPresets(), std::vector<int>{13}) << "the panel keeps what it showed";
    skin::TNotifyUI notify;
    notify.sType = "selectchanged";
    notify.pSender = Find(Preset(2));
    EXPECT_FALSE(Voice().OnRoutedNotify({app::Handler::EqualiserOption, 2}, notify, otherPage));
    notify.pSender = Find("magic_option_2");
    EXPECT_FALSE(Magic().OnRoutedNotify({app::Handler::VoiceChangerOption, 2}, notify, otherPage));
    EXPECT_TRUE(Actions().calls.empty());
}

// A write the page refuses leaves every control at what is stored.
TEST_F(EqualiserPanel, ARefusedWritePutsTheControlBack) {
    UsePreset(7);
    const EqGains preset7 = *EqPresetGains(7);
    struct Case {
        const char* refused;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"SetMicOn", [this] { Click("6533_MicIn_option"); }},
        {"SetMicVolume", [this] { MoveSlider("6533_MicIn_slider", 90); }},
        {"SetMonitorOn", [this] { Click("6533_MicMoniter_option"); }},
        {"SetMonitorVolume", [this] { MoveSlider("6533_MicMoniter_slider", 9); }},
        {"ChoosePreset", [this] { Click(Preset(2)); }},
        {"SetBand", [this] { MoveSlider(Band(2), 18); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        Actions().refused = {c.refused};
        c.act();
        EXPECT_EQ(Actions().calls.size(), 1u);
        Actions().calls.clear();
        EXPECT_TRUE(IsSelected("6533_MicIn_option"));
        EXPECT_EQ(SliderValue("6533_MicIn_slider"), 50);
        EXPECT_FALSE(IsSelected("6533_MicMoniter_option"));
        EXPECT_EQ(SliderValue("6533_MicMoniter_slider"), 0);
        EXPECT_EQ(SelectedPresets(), std::vector<int>{7});
        EXPECT_EQ(ShownBands(), preset7);
    }
}

TEST_F(EqualiserPanel, ABandMovedOnAPresetTurnsThePageCustomWithNoCurve) {
    UsePreset(7);
    MoveSlider(Band(3), 5);  // 250 Hz
    EXPECT_EQ(Actions().calls, Calls{"SetBand 3 5"});
    EXPECT_EQ(SelectedPresets(), std::vector<int>{13});
    EXPECT_EQ(Voice().GetSelectedCustom(), -1);
    EXPECT_TRUE(IsEnabled("custom_eq_option_layout"));
    EqGains expected = *EqPresetGains(7);
    expected[3] = 5;
    EXPECT_EQ(ShownBands(), expected) << "the other bands keep the preset's gains";
}

TEST_F(EqualiserPanel, APresetShowsItsGains) {
    UsePreset(7);
    Click(Preset(5));
    EXPECT_EQ(Actions().calls, Calls{"ChoosePreset 5"});
    EXPECT_EQ(SelectedPresets(), std::vector<int>{5});
    EXPECT_EQ(ShownBands(), EqGains{});
    EXPECT_FALSE(IsEnabled("custom_eq_option_layout"));

    Click(Preset(13));  // back to the custom setting: the selected curve
    EXPECT_EQ(ShownBands(), Actions().curves[0]);
    EXPECT_EQ(Voice().GetSelectedCustom(), 0);
    EXPECT_TRUE(IsEnabled("custom_eq_option_layout"));
}

TEST_F(EqualiserPanel, PickingACurveShowsIt) {
    PickListItem("custom_eq_name_combo", 1);
    EXPECT_EQ(Voice().GetSelectedCustom(), 1);
    EXPECT_EQ(ShownBands(), Actions().curves[1]);
}

TEST_F(EqualiserPanel, SavingACurve) {
    struct Case {
        const char* typed;
        const char* refused;
        std::vector<std::string> messages;
        std::vector<std::string> listed;
        int selected;
    };
    const Case cases[] = {
        {"Night", "", {}, {"Bass", "Voice", "Night"}, 2},
        {"bASS", "", {texts::kNameTaken}, {"Bass", "Voice"}, 0},
        {"Night", "SaveCustomCurve", {texts::kEqCurveNotSaved}, {"Bass", "Voice"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed + std::string(" ") + c.refused);
        Actions().UseCustomCurves({"Bass", "Voice"}, 0);
        Actions().refused = {c.refused};
        Show();
        panelHost.messages.clear();
        TypeName(c.typed);
        Click("hs_EQ_btn_save");
        EXPECT_EQ(MessageIds(), c.messages);
        EXPECT_EQ(ListedNames(), c.listed);
        EXPECT_EQ(Voice().GetSelectedCustom(), c.selected);
    }
}

TEST_F(EqualiserPanel, ANewCurveBeyondTheTwentiethIsRefusedAloud) {
    std::vector<std::string> twenty;
    for (int i = 0; i < CHs6533Profiledata::kMaxCustomCurves; ++i)
        twenty.push_back("c" + std::to_string(i));
    Actions().UseCustomCurves(twenty, 0);
    Show();
    panelHost.messages.clear();
    TypeName("Night");
    Click("hs_EQ_btn_save");
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kEqCurvesFull});
    EXPECT_EQ(ListedNames(), twenty);
}

TEST_F(EqualiserPanel, ASavedCurveKeepsTheShownGainsAndClearsTheName) {
    MoveSlider(Band(0), 4);
    MoveSlider(Band(9), -2);
    TypeName("Night");
    Click("hs_EQ_btn_save");
    ASSERT_EQ(Actions().curves.size(), 3u);
    EXPECT_EQ(Actions().curves[2], (EqGains{4, 1, 1, 1, 1, 1, 1, 1, 1, -2}));
    EXPECT_EQ(Voice().GetCustomNameText(), "");
}

TEST_F(EqualiserPanel, DeleteRemovesTheSelectedCurveOnly) {
    PickListItem("custom_eq_name_combo", 1);
    Actions().calls.clear();
    Click("hs_EQ_btn_delete");
    EXPECT_EQ(Actions().calls, Calls{"DeleteCustomCurve"});
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"Bass"});
    EXPECT_EQ(Voice().GetSelectedCustom(), -1);

    Click("hs_EQ_btn_delete");  // nothing selected
    Actions().UseCustomCurves({}, -1);
    Show();
    Click("hs_EQ_btn_delete");  // an empty list
    EXPECT_EQ(Actions().calls, Calls{"DeleteCustomCurve"});
}

}  // namespace
}  // namespace kelno::test
