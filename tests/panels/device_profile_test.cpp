// The profile control on the emulated keyboard's page: every operation's
// effect on "ProfileList.ini", the profile files, the combo and the device.

#include <gtest/gtest.h>

#include "core/json_access.h"
#include "core/json_file.h"
#include "devices/models/page_lookup.h"
#include "panel_fixture.h"
#include "panels/panel_factory.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"

namespace kelno::test {
namespace {

class ProfilePanel : public KeyboardPageTest {
  protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        const Json::Value list = ListFile();
        for (const Json::Value& entry : list["profilelist"])
            names.push_back(entry["profilename"].asString());
        return names;
    }
    int ListSelection() const { return ListFile()["profileselect"].asInt(); }
    void SetModeInProfile(int index, int mode) {
        Json::Value profile = ProfileFile(Uuid(index));
        profile["Device"][0]["LightInfo"]["SelectItem"] = mode;
        ASSERT_EQ(WriteJsonFile(UserFolder() / (Uuid(index) + ".Json"), profile), 0);
    }
    // Three profiles, the page on profile 0.
    void BuildWithThreeProfiles() {
        BuildPage();
        MenuClick("device_add_btn");
        MenuClick("device_add_btn");
        ASSERT_EQ(Names(), (std::vector<std::string>{"profile1", "profile2", "profile3"}));
    }
};

TEST_F(ProfilePanel, FirstStartCreatesProfile1FromTheDefaultProfile) {
    BuildPage();
    EXPECT_EQ(Names(), std::vector<std::string>{"profile1"});
    EXPECT_EQ(ListSelection(), 0);
    Json::Value expected = ReadJsonFile(DefaultFolder() / "keyboard.Json");
    expected["profilename"] = "profile1";
    expected["profileUUID"] = Uuid(0);
    Json::Value written = ProfileFile(Uuid(0));
    // The keyboard saves what it read back into the same file; the light
    // record and the keys stay the default's.
    EXPECT_EQ(written["profilename"], expected["profilename"]);
    EXPECT_EQ(written["profileUUID"], expected["profileUUID"]);
    EXPECT_EQ(written["Device"][0]["KeyList"], expected["Device"][0]["KeyList"]);
    EXPECT_EQ(ComboTexts(), std::vector<std::string>{"profile1"});
    EXPECT_EQ(ProfileCombo()->GetCurSel(), 0);
    EXPECT_EQ(Find<skin::CControlUI>("device_profile_name_edit")->GetText(), "profile1");
    EXPECT_EQ(Profiles().GetCurrentUuid(), Uuid(0));
}

TEST_F(ProfilePanel, TabsOfTheKeyboardAndTheLightingTabSelected) {
    BuildPage();
    EXPECT_FALSE(pm.FindControl("cursor_Op_tab")->IsOwnVisible());
    EXPECT_FALSE(pm.FindControl("system_Op_tab")->IsOwnVisible());
    EXPECT_TRUE(pm.FindControl("key_Op_tab")->IsOwnVisible());
    EXPECT_TRUE(Find<skin::COptionUI>("deng_Op_tab")->IsSelected());
    Profiles().SelectTab(3);
    EXPECT_TRUE(Find<skin::COptionUI>("macro_Op_tab")->IsSelected());
    EXPECT_FALSE(Find<skin::COptionUI>("deng_Op_tab")->IsSelected());
    Profiles().SelectTab(9);
    EXPECT_FALSE(Find<skin::COptionUI>("macro_Op_tab")->IsSelected());
}

TEST_F(ProfilePanel, MenuButtonTogglesTheMenu) {
    BuildPage();
    EXPECT_FALSE(Profiles().IsMenuShown());
    Click("profile_fun_spread_btn");
    EXPECT_TRUE(Profiles().IsMenuShown());
    Click("profile_fun_spread_btn");
    EXPECT_FALSE(Profiles().IsMenuShown());
}

TEST_F(ProfilePanel, AddAppendsAndOnlyTheListFileSelectsTheNewProfile) {
    BuildPage();
    const std::string devicePath = device->GetProfileName();
    MenuClick("device_add_btn");
    EXPECT_EQ(Names(), (std::vector<std::string>{"profile1", "profile2"}));
    EXPECT_EQ(ListSelection(), 1);
    EXPECT_TRUE(std::filesystem::exists(UserFolder() / (Uuid(1) + ".Json")));
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"profile1", "profile2"}));
    EXPECT_EQ(ProfileCombo()->GetCurSel(), 0);
    EXPECT_EQ(Find<skin::CControlUI>("device_profile_name_edit")->GetText(), "profile1");
    EXPECT_EQ(device->GetProfileName(), devicePath);
    EXPECT_EQ(panelHost.switchTimerStarts, 0);
}

TEST_F(ProfilePanel, AddSkipsNamesTakenInAnyCase) {
    temp.WriteFile("user/keyboard/ProfileList.ini", R"({"profilelist": [
        {"profilename": "profile1", "profileUUID": "a1"}, {"profilename": "Profile2", "profileUUID": "a2"}],
        "profileselect": 0})");
    BuildPage();
    MenuClick("device_add_btn");
    EXPECT_EQ(Names().back(), "profile3");
    EXPECT_EQ(ComboTexts().back(), "profile3");
}

TEST_F(ProfilePanel, CopyAppendsTheSelectedProfilesSettings) {
    BuildPage();
    SetModeInProfile(0, 12);
    MenuClick("device_copy_btn");
    MenuClick("device_copy_btn");
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"profile1", "profile1 copy", "profile1 copy copy"}));
    EXPECT_EQ(ComboTexts(), Names());
    EXPECT_EQ(ListSelection(), 0);
    EXPECT_EQ(ProfileFile(Uuid(2))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 12);
    EXPECT_EQ(ProfileFile(Uuid(2))["profilename"].asString(), "profile1 copy copy");
}

TEST_F(ProfilePanel, RenameChangesListComboAndFileAndRefusesATakenName) {
    BuildWithThreeProfiles();
    Type("device_profile_name_edit", "Game");
    Click("device_profile_edit_save_btn");
    EXPECT_EQ(Names()[0], "Game");
    EXPECT_EQ(ComboTexts()[0], "Game");
    EXPECT_EQ(ProfileCombo()->GetItemAt(0)->GetUserData(), "Game");
    EXPECT_EQ(ProfileFile(Uuid(0))["profilename"].asString(), "Game");
    EXPECT_TRUE(panelHost.messages.empty());

    Type("device_profile_name_edit", "PROFILE2");
    Click("device_profile_edit_save_btn");
    ASSERT_EQ(panelHost.messages.size(), 1u);
    EXPECT_EQ(panelHost.messages[0].textId, "message_text_5");
    EXPECT_EQ(Names()[0], "Game");

    Type("device_profile_name_edit", "");
    Click("device_profile_edit_save_btn");
    EXPECT_EQ(panelHost.messages.size(), 1u);  // an empty name is ignored silently
    Type("device_profile_name_edit", "GAME");  // its own name in another case
    Click("device_profile_edit_save_btn");
    EXPECT_EQ(Names()[0], "GAME");
}

TEST_F(ProfilePanel, DeletingTheFirstOfThreeSwitchesTheDeviceToItsNeighbour) {
    BuildWithThreeProfiles();
    SetModeInProfile(1, 9);
    const std::string removed = Uuid(0);
    const std::string next = Uuid(1);
    MenuClick("device_sub_btn");
    EXPECT_EQ(Names(), (std::vector<std::string>{"profile2", "profile3"}));
    EXPECT_EQ(ListSelection(), 0);
    EXPECT_FALSE(std::filesystem::exists(UserFolder() / (removed + ".Json")));
    EXPECT_EQ(ComboTexts(), Names());
    EXPECT_EQ(ProfileCombo()->GetCurSel(), 0);
    ASSERT_EQ(panelHost.switchTarget, device);
    FireProfileSwitch();
    EXPECT_EQ(Profiles().GetCurrentUuid(), next);
    EXPECT_EQ(std::filesystem::path(device->GetProfileName()).stem().string(), next);
    EXPECT_EQ(SettingsBlock()[1], 9);
    EXPECT_EQ(Find<skin::CControlUI>("device_profile_name_edit")->GetText(), "profile2");
}

TEST_F(ProfilePanel, TheLastProfileIsNeverDeleted) {
    BuildPage();
    const std::string only = Uuid(0);
    MenuClick("device_sub_btn");
    EXPECT_EQ(Names(), std::vector<std::string>{"profile1"});
    EXPECT_TRUE(std::filesystem::exists(UserFolder() / (only + ".Json")));
    EXPECT_EQ(panelHost.switchTimerStarts, 0);
}

TEST_F(ProfilePanel, SelectingAProfileSwitchesTheCapturedDeviceWhenTheTimerFires) {
    BuildWithThreeProfiles();
    SetModeInProfile(2, 16);
    SetModeInProfile(1, 11);
    ProfileCombo()->SelectItem(1, true);
    ProfileCombo()->SelectItem(2, true);  // a quick second pick restarts the timer
    EXPECT_EQ(panelHost.switchTimerStarts, 2);
    EXPECT_EQ(SettingsBlock()[1], 1);  // nothing happens before the timer
    FireProfileSwitch();
    EXPECT_EQ(ListSelection(), 2);
    EXPECT_EQ(SettingsBlock()[1], 16);
    EXPECT_EQ(Light().GetSelectedMode(), 16);
    EXPECT_EQ(Find<skin::CControlUI>("device_profile_name_edit")->GetText(), "profile3");
    EXPECT_EQ(panelHost.enableCalls, (std::vector<bool>{false, true}));
}

TEST_F(ProfilePanel, ImportTakesAValidFileUnderAFreeNameAndIgnoresOthers) {
    BuildPage();
    Json::Value game = ReadJsonFile(DefaultFolder() / "keyboard.Json");
    game["profilename"] = "profile1";
    game["profileUUID"] = Uuid(0);  // never overwrites the existing profile
    const auto source = temp / "game.json";
    ASSERT_EQ(WriteJsonFile(source, game), 0);
    const std::string sourceText = ReadFileText(source);
    const std::string ownBefore = ReadFileText(UserFolder() / (Uuid(0) + ".Json"));

    panelHost.openAnswers.push_back(source.string());
    MenuClick("device_import_btn");
    EXPECT_EQ(Names(), (std::vector<std::string>{"profile1", "profile1(1)"}));
    EXPECT_EQ(ComboTexts(), Names());
    EXPECT_NE(Uuid(1), Uuid(0));
    EXPECT_EQ(ProfileFile(Uuid(1))["Device"], game["Device"]);
    EXPECT_EQ(ReadFileText(source), sourceText);
    EXPECT_EQ(ReadFileText(UserFolder() / (Uuid(0) + ".Json")), ownBefore);

    for (const char* content : {"not json", R"({"profilename": "x"})",
                                R"({"profilename": "x", "profileUUID": "y", "Device": 3})"}) {
        panelHost.openAnswers.push_back(temp.WriteFile("bad.json", content).string());
        MenuClick("device_import_btn");
        EXPECT_EQ(Names().size(), 2u) << content;
    }
    MenuClick("device_import_btn");  // cancelled
    EXPECT_EQ(Names().size(), 2u);
    EXPECT_TRUE(panelHost.messages.empty());
}

TEST_F(ProfilePanel, ExportWritesTheWholeProfileAndRefusesAnUnreadableOne) {
    BuildPage();
    const auto target = temp / "out.json";
    panelHost.saveAnswers.push_back(target.string());
    MenuClick("device_export_btn");
    EXPECT_EQ(ReadJsonFile(target), ProfileFile(Uuid(0)));
    EXPECT_TRUE(panelHost.messages.empty());

    std::filesystem::remove(UserFolder() / (Uuid(0) + ".Json"));
    const std::string kept = ReadFileText(target);
    panelHost.saveAnswers.push_back(target.string());
    MenuClick("device_export_btn");
    EXPECT_EQ(ReadFileText(target), kept);
    ASSERT_EQ(panelHost.messages.size(), 1u);
    EXPECT_EQ(panelHost.messages[0].textId, "message_text_export_failed");

    MenuClick("device_export_btn");  // cancelled: nothing at all
    EXPECT_EQ(panelHost.messages.size(), 1u);
}

TEST_F(ProfilePanel, ResetAsksFirstAndThenRestoresTheDefaultsOnTheDevice) {
    BuildPage();
    Find<skin::CComboUI>("light_combo_modeSelect")->SelectItem(7, true);
    ASSERT_EQ(SettingsBlock()[1], 7);

    panelHost.messageAnswers.push_back(IPanelHost::Choice::Cancel);
    MenuClick("device_reset_btn");
    EXPECT_EQ(panelHost.messages.back().textId, "message_text_22");
    EXPECT_EQ(ProfileFile(Uuid(0))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 7);

    MenuClick("device_reset_btn");
    const Json::Value reset = ProfileFile(Uuid(0));
    EXPECT_EQ(reset["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
    EXPECT_EQ(reset["profilename"].asString(), "profile1");
    EXPECT_EQ(reset["profileUUID"].asString(), Uuid(0));
    EXPECT_EQ(SettingsBlock()[1], 1);
    EXPECT_EQ(Light().GetSelectedMode(), 1);
    EXPECT_FALSE(pm.FindControl("keyset_layout")->IsOwnVisible());
}

TEST_F(ProfilePanel, ASelectionOutsideTheListIsClampedAndTheComboFollows) {
    temp.WriteFile("user/keyboard/ProfileList.ini", R"({"profilelist": [
        {"profilename": "one", "profileUUID": "u1"}, {"profilename": "two", "profileUUID": "u2"}],
        "profileselect": 7})");
    BuildPage();
    const int stored = ListSelection();
    ASSERT_GE(stored, 0);
    ASSERT_LT(stored, 2);
    EXPECT_EQ(ProfileCombo()->GetCurSel(), stored);
    EXPECT_EQ(Profiles().GetCurrentUuid(), Uuid(stored));
    EXPECT_EQ(Find<skin::CControlUI>("device_profile_name_edit")->GetText(), Names()[stored]);
}

TEST_F(ProfilePanel, WithoutASelectionNoOperationTouchesAnything) {
    BuildWithThreeProfiles();
    ProfileCombo()->SelectItem(-1, false);
    ASSERT_EQ(Profiles().GetSelectedIndex(), -1);
    const std::string list = ReadFileText(UserFolder() / "ProfileList.ini");
    panelHost.openAnswers.push_back((temp / "whatever.json").string());
    panelHost.saveAnswers.push_back((temp / "out.json").string());
    for (const char* button : {"device_copy_btn", "device_sub_btn", "device_import_btn",
                               "device_export_btn", "device_reset_btn"}) {
        MenuClick(button);
    }
    Type("device_profile_name_edit", "Renamed");
    Click("device_profile_edit_save_btn");
    EXPECT_EQ(ReadFileText(UserFolder() / "ProfileList.ini"), list);
    EXPECT_EQ(panelHost.dialogsShown, 0);
    EXPECT_TRUE(panelHost.messages.empty());
    EXPECT_EQ(panelHost.switchTimerStarts, 0);
    EXPECT_FALSE(std::filesystem::exists(temp / "out.json"));
}

// The tabs each device kind hides, on a profile control of its own.
TEST(ProfileTabs, EachKindHidesTheTabsItDoesNotHave) {
    struct Case {
        int kind;
        std::vector<std::string> hidden;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {1, {"cursor_Op_tab", "system_Op_tab"}, {"key_Op_tab", "macro_Op_tab"}},
        {2,
         {"6533_voice_Op_tab"},
         {"cursor_Op_tab", "system_Op_tab", "key_Op_tab", "macro_Op_tab"}},
        {3, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {"deng_Op_tab"}},
        {4, {"cursor_Op_tab", "macro_Op_tab", "key_Op_tab"}, {"system_Op_tab"}},
        {7,
         {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"},
         {"6533_voice_Op_tab", "magic_Op_tab"}},
    };
    skin::CPaintManagerUI::SetResourcePath(std::string(KELNO_SKIN_DIR) + "/");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        TempFolder temp;
        FakePanelHost host;
        PanelFactory factory(&host);
        skin::CDialogBuilder builder;
        std::unique_ptr<skin::CControlUI> root(builder.Create(kDeviceProfileLayout, &factory));
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        auto* panel =
            static_cast<CDeviceProfileUI*>(root->GetInterface(CDeviceProfileUI::kElementName));
        ASSERT_NE(panel, nullptr);
        panel->SetDeviceKind(c.kind);
        panel->SetFolders(temp.Path(), temp / "none.Json");
        panel->LoadProfileList();
        for (const std::string& name : c.hidden) {
            EXPECT_FALSE(FindDescendantByName(panel, name)->IsOwnVisible()) << name;
        }
        for (const std::string& name : c.shown) {
            EXPECT_TRUE(FindDescendantByName(panel, name)->IsOwnVisible()) << name;
        }
        // A missing default profile still gives a profile file with its name.
        const Json::Value list = ReadJsonFile(temp / "ProfileList.ini");
        EXPECT_EQ(ReadJsonFile(temp / (list["profilelist"][0]["profileUUID"].asString() +
                                       ".Json"))["profilename"]
                      .asString(),
                  "profile1");
    }
}

}  // namespace
}  // namespace kelno::test
