// Saves the user causes that cannot reach the disk: each one is reported
// with a message, and the window shows what is stored. Root writes
// everywhere whatever the modes, so a file put in the place of the user's
// folder (or a folder in the place of a file) makes the writes fail.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/json_file.h"
#include "devices/hid/command_report.h"
#include "macros/macro_event.h"
#include "panel_fixture.h"
#include "panels/message_texts.h"
#include "skin/controls/combo.h"

namespace kelno::test {
namespace {

namespace fs = std::filesystem;

// While it lives, `place` is taken: a folder becomes a plain file, a file
// becomes a folder. The original comes back when it goes.
class TakenPlace {
  public:
    explicit TakenPlace(fs::path place) : place_(std::move(place)) {
        aside_ = place_;
        aside_ += ".aside";
        const bool wasFolder = fs::is_directory(place_);
        fs::rename(place_, aside_);
        if (wasFolder)
            std::ofstream(place_) << "not a folder";
        else
            fs::create_directories(place_ / "inside");
    }
    ~TakenPlace() {
        fs::remove_all(place_);
        fs::rename(aside_, place_);
    }
    TakenPlace(const TakenPlace&) = delete;
    TakenPlace& operator=(const TakenPlace&) = delete;

  private:
    fs::path place_;
    fs::path aside_;
};

class FailedSave : public KeyboardPageTest {
  protected:
    fs::path ProfilePath(int index) const { return UserFolder() / (Uuid(index) + ".Json"); }
    std::vector<std::string> MessageIds() const {
        std::vector<std::string> ids;
        for (const FakePanelHost::Message& message : panelHost.messages)
            ids.push_back(message.textId);
        return ids;
    }
    void Rename(const std::string& name) {
        Type("device_profile_name_edit", name);
        Click("device_profile_edit_save_btn");
    }
};

TEST_F(FailedSave, LightingChangeThatIsNotStoredIsTakenBackEverywhere) {
    BuildPage();
    const Json::Value storedInfo = CurrentLightInfo();
    const std::vector<uint8_t> block = SettingsBlock();
    const int storedMode = Light().GetSelectedMode();
    ASSERT_NE(storedMode, 9);
    {
        TakenPlace folder(UserFolder());
        ASSERT_TRUE(Find<skin::CComboUI>("light_combo_modeSelect")->SelectItem(9, true));
        Settle();  // the keyboard's answer comes while the folder is away
    }
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kSaveFailed});
    EXPECT_EQ(CurrentLightInfo(), storedInfo);
    EXPECT_EQ(Light().GetSelectedMode(), storedMode) << "the panel shows what is stored";
    EXPECT_EQ(device->GetLightSettings()[LightSetting::kMode], storedMode);
    EXPECT_EQ(SettingsBlock(), block) << "the keyboard is not sent the change";

    // With the folder back the same change is saved and sent.
    ASSERT_TRUE(Find<skin::CComboUI>("light_combo_modeSelect")->SelectItem(9, true));
    EXPECT_EQ(CurrentLightInfo()["SelectItem"].asInt(), 9);
    EXPECT_EQ(SettingsBlock()[1], 9);
    EXPECT_EQ(panelHost.messages.size(), 1u);
}

TEST_F(FailedSave, ProfileOperationsThatCannotWriteSayWhatWasNotDone) {
    BuildPage();
    MenuClick("device_add_btn");
    MenuClick("device_add_btn");
    const std::vector<std::string> combo = ComboTexts();
    ASSERT_EQ(combo.size(), 3u);
    const std::string list = ReadFileText(UserFolder() / "ProfileList.ini");
    struct Case {
        const char* button;
        const char* message;
    };
    const Case cases[] = {
        {"device_add_btn", texts::kListSaveFailed},
        {"device_copy_btn", texts::kListSaveFailed},
        {"device_sub_btn", texts::kListSaveFailed},
        {"device_reset_btn", texts::kSaveFailed},  // after the question, answered Ok
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        panelHost.messages.clear();
        {
            TakenPlace folder(UserFolder());
            MenuClick(c.button);
        }
        ASSERT_FALSE(panelHost.messages.empty());
        EXPECT_EQ(panelHost.messages.back().textId, c.message);
        EXPECT_EQ(ComboTexts(), combo);
        EXPECT_EQ(ReadFileText(UserFolder() / "ProfileList.ini"), list);
    }
    EXPECT_EQ(panelHost.switchTimerStarts, 0) << "no delete, no switch";
}

TEST_F(FailedSave, RenameSaysWhetherTheListOrOnlyTheProfileFileKeptTheOldName) {
    BuildPage();
    MenuClick("device_add_btn");
    const std::string before = ComboTexts()[0];

    {
        TakenPlace listFile(UserFolder() / "ProfileList.ini");
        Rename("Raid");
    }
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kListSaveFailed});
    EXPECT_EQ(ComboTexts()[0], before) << "the list keeps the name; so does the combo";
    EXPECT_EQ(ListFile()["profilelist"][0]["profilename"].asString(), before);

    panelHost.messages.clear();
    const fs::path profile = ProfilePath(0);
    {
        TakenPlace profileFile(profile);
        Rename("Raid");
    }
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kRenameFileNotWritten});
    EXPECT_EQ(ComboTexts()[0], "Raid");
    EXPECT_EQ(ListFile()["profilelist"][0]["profilename"].asString(), "Raid");
    EXPECT_EQ(ReadJsonFile(profile)["profilename"].asString(), before);
}

TEST_F(FailedSave, AResetWhoseMacrosTheKeyboardRefusesSaysSo) {
    BuildPage();
    Json::Value index;
    index["MacroInfo"][0]["MacroName"] = "m";
    index["MacroInfo"][0]["Guid"] = "m";
    Json::Value macro;
    macro["Events"].append(MacroEvent{10, 4, true, 100}.ToJson());
    ASSERT_EQ(WriteJsonFile(UserFolder() / "m.mac", macro), 0);
    ASSERT_EQ(WriteJsonFile(UserFolder() / "macro.config", index), 0);
    firmware->InjectFault(sim::SimFault::StatusRejected, 1, CMD_WRITE_MACROS);
    MenuClick("device_reset_btn");
    Settle();  // the writes run on the device worker
    EXPECT_EQ(MessageIds(),
              (std::vector<std::string>{texts::kResetQuestion, texts::kMacroWriteFailed}));
}

TEST_F(FailedSave, AListThatCannotBeReadIsToldOnceAndTheControlWorksOn) {
    fs::create_directories(UserFolder() / "ProfileList.ini" / "inside");
    BuildPage();
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kKeptInMemoryOnly});
    ASSERT_EQ(ProfileCombo()->GetCount(), 1) << "rebuilt in memory";
    EXPECT_EQ(ProfileCombo()->GetCurSel(), 0);

    MenuClick("device_add_btn");
    Profiles().LoadProfileList();
    EXPECT_EQ(MessageIds(),
              (std::vector<std::string>{texts::kKeptInMemoryOnly, texts::kListSaveFailed}))
        << "told once; a refused add still says so";
    EXPECT_TRUE(fs::is_directory(UserFolder() / "ProfileList.ini" / "inside"));
}

TEST_F(FailedSave, AProfileThatCannotBeReadAtTheStartIsToldOnce) {
    temp.WriteFile("user/keyboard/ProfileList.ini",
                   R"({"profilelist": [{"profilename": "one", "profileUUID": "u1"}],
                       "profileselect": 0})");
    fs::create_directories(UserFolder() / "u1.Json" / "inside");
    BuildPage();
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kKeptInMemoryOnly});
    device->RefreshPanels();
    EXPECT_EQ(panelHost.messages.size(), 1u) << "once";
    EXPECT_EQ(Light().GetSelectedMode(), 1) << "the default profile's lighting is shown";
    EXPECT_TRUE(fs::is_directory(UserFolder() / "u1.Json" / "inside")) << "left alone";
}

TEST_F(FailedSave, AProfileThatCannotBeReadIsToldWhenTheDeviceSwitchesToIt) {
    BuildPage();
    MenuClick("device_add_btn");
    ASSERT_EQ(ProfileCombo()->GetCurSel(), 0);
    fs::remove(ProfilePath(1));
    fs::create_directories(ProfilePath(1) / "inside");
    ProfileCombo()->SelectItem(1, true);
    FireProfileSwitch();
    ProfileCombo()->SelectItem(0, true);
    FireProfileSwitch();
    ProfileCombo()->SelectItem(1, true);
    FireProfileSwitch();
    EXPECT_EQ(MessageIds(), std::vector<std::string>{texts::kKeptInMemoryOnly});
    EXPECT_TRUE(fs::is_directory(ProfilePath(1) / "inside")) << "left alone";
}

}  // namespace
}  // namespace kelno::test
