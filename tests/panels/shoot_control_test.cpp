// The recoil panel in a headless window with the shipped layout: a shot
// typed into the edits lands in its preset file (clamped, the edit showing
// what was stored), a direction toggled and then left is not stored, the
// shot and preset choices show the file, and a reset restores the default.

#include <gtest/gtest.h>

#include "panels/notify_routes.h"
#include "core/json_file.h"
#include "panel_fixture.h"
#include "panels/panel_factory.h"
#include "panels/shoot_control.h"
#include "skin/controls/button.h"
#include "skin/host/headless_input.h"

namespace kelno::test {
namespace {

constexpr const char* kPage = R"(
<HorizontalLayout>
  <ShootKeySetControlUI name="ShootControlItem"/>
</HorizontalLayout>)";

class RecoilPanel : public ::testing::Test, public skin::INotifyUI {
  protected:
    void SetUp() override {
        skin::CPaintManagerUI::SetResourcePath(std::string(KELNO_SKIN_DIR) + "/");
        host.SetClient(&pm);
        pm.Init(&host, "recoil");
        pm.AddNotifier(this);
        PanelFactory factory(&panelHost);
        skin::CDialogBuilder builder;
        skin::CControlUI* root = builder.CreateFromText(kPage, &factory, &pm);
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        pm.SetRoot(root);
        panel = static_cast<CShootControlUI*>(
            pm.FindControl("ShootControlItem")->GetInterface(CShootControlUI::kElementName));
        ASSERT_NE(panel, nullptr);
        defaults.WriteFile(
            "ShootData_1.Shoot",
            ReadFileText(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "ShootData_1.Shoot"));
        panel->SetUserDirectory(user.Path());
        panel->SetDefaultDirectory(defaults.Path());
        panel->SelectPreset(0);
        panel->SelectShot(0);
        pm.UpdateLayout();
    }
    void TearDown() override { pm.RemoveNotifier(this); }
    void Notify(skin::TNotifyUI& msg) override {
        if (!msg.pSender) return;
        for (const app::Route& route :
             app::RouteNotification(msg.sType, msg.pSender->GetName()).routes)
            panel->OnRoutedNotify(route, msg, mouse);
    }
    void Click(const std::string& name) {
        pm.UpdateLayout();
        ASSERT_TRUE(skin::ClickControl(host, pm, name)) << name;
    }
    void Type(const std::string& edit, const std::string& text) {
        pm.FindControl(edit)->SetText("");
        ASSERT_TRUE(skin::TypeIntoControl(host, pm, edit, text)) << edit;
        pm.SetFocus(nullptr);  // the edit loses the focus: the shot is saved
    }
    std::string Text(const char* name) { return pm.FindControl(name)->GetText(); }
    RecoilShot Stored(int preset, int shot) {
        return ReadRecoilShot(ReadJsonFile(RecoilFilePath(user.Path(), preset)), shot);
    }

    TempFolder user, defaults;
    skin::HeadlessHost host{{1280, 900}};
    skin::CPaintManagerUI pm;
    FakePanelHost panelHost;
    CZembravaUSBDevice mouse;  // the page the routes name; the panel keeps its own folders
    CShootControlUI* panel = nullptr;
};

TEST_F(RecoilPanel, ATypedShotIsStoredClampedAndTheEditShowsWhatWasStored) {
    Click("shoot_gun_op_1");
    Click("bullet_op_2");
    EXPECT_EQ(Text("bullet_select_index"), "3");
    Click("bullet_x_check");  // to the left
    EXPECT_EQ(pm.FindControl("bullet_x_check")->GetTextId(), "mouse_move_to_left_text");
    Type("bullet_x_eidt", "3");
    Type("bullet_y_eidt", "12");
    Type("bullet_delay_eidt", "99999");
    EXPECT_EQ(Stored(1, 2), (RecoilShot{true, 3, false, 12, 65535}));
    EXPECT_EQ(Text("bullet_delay_eidt"), "65535");
    EXPECT_TRUE(panelHost.messages.empty());
}

TEST_F(RecoilPanel, AToggledDirectionIsNotStoredWithoutAnEdit) {
    Click("bullet_y_check");
    Click("bullet_op_1");
    EXPECT_EQ(Stored(0, 0), RecoilShot{});
    Click("bullet_op_0");
    EXPECT_FALSE(static_cast<skin::COptionUI*>(pm.FindControl("bullet_y_check"))->IsSelected());
}

TEST_F(RecoilPanel, PreviousAndNextStopAtTheEnds) {
    Click("bullet_selected_prev");
    EXPECT_EQ(panel->CurrentShot(), 0);
    panel->SelectShot(29);
    Click("bullet_selected_next");
    EXPECT_EQ(panel->CurrentShot(), 29);
    EXPECT_EQ(Text("bullet_select_index"), "30");
}

TEST_F(RecoilPanel, AResetRestoresTheDefaultAndWithoutOneKeepsTheUsersShots) {
    Click("shoot_gun_op_1");
    Type("bullet_x_eidt", "77");
    Click("shootdate_reset_btn");
    const RecoilShot restored = ReadRecoilShot(ReadJsonFile(RecoilFilePath(defaults.Path(), 1)), 0);
    EXPECT_EQ(Stored(1, 0), restored);
    EXPECT_EQ(Text("bullet_x_eidt"), std::to_string(restored.horizontal));

    Click("shoot_gun_op_2");  // no default copy of this preset
    Type("bullet_x_eidt", "5");
    Click("shootdate_reset_btn");
    EXPECT_EQ(Stored(2, 0).horizontal, 5);
    ASSERT_EQ(panelHost.messages.size(), 1u);
    EXPECT_EQ(panelHost.messages[0].textId, "message_text_recoil_default_missing");
}

}  // namespace
}  // namespace kelno::test
