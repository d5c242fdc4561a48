// The main window: pages per kind, arrival and removal, the preview tick,
// device write notices, light control, tray, shutdown.

#include "app/app_messages.h"
#include "devices/hid/command_report.h"
#include "devices/models/key_assignment_device.h"
#include "macros/macro_library.h"
#include "main_window_fixture.h"
#include "panels/macro_control.h"

namespace kelno::app::test {
namespace {

TEST_F(MainWindowTest, StartsHiddenWithOneHiddenPagePerKindThenShowsNoDevice) {
    // The kind table's order: mouse, keyboard, mouse pad, headset; then the
    // emulator's wireless mouse, a mouse page of its own.
    std::vector<int> kinds;
    for (CDeviceOptionUI* item : window_->TabItems()) {
        kinds.push_back(item->GetKind());
        EXPECT_FALSE(item->IsItemVisible());
        ASSERT_NE(item->GetPage(), nullptr);
        EXPECT_EQ(item->GetPage()->GetOptionItem(), item);
    }
    EXPECT_EQ(kinds, (std::vector<int>{2, 1, 3, 7, 2}));
    EXPECT_EQ(window_->PowerIndicators().size(), 5u);
    EXPECT_FALSE(window_->IsVisible());

    Pass();
    EXPECT_TRUE(window_->IsVisible()) << "the first pass shows the window";
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(window_->ActiveDevice(), nullptr);
}

TEST_F(MainWindowTest, KeyboardArrivalShowsAndSelectsItsTabAndTheTimerSyncsTheDevice) {
    Pass();
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    CDeviceOptionUI* tab = TabOfKind(1);
    ASSERT_NE(tab, nullptr);
    EXPECT_TRUE(tab->IsItemVisible());
    EXPECT_TRUE(tab->IsTabSelected());
    EXPECT_EQ(window_->ActiveDevice(), Keyboard());
    EXPECT_TRUE(Keyboard()->CommandChannel().IsOpen());
    EXPECT_TRUE(Keyboard()->HasNotifyPath()) << "the secondary interface goes to the same page";
    EXPECT_FALSE(NoticeShown());
    EXPECT_EQ(tab->GetPageSwitch()->GetCurSel(), tab->GetPageIndex());

    const int commitsBefore = emulator_->Device(SimKind::Keyboard)->Commits();
    Advance(CDeviceOptionUI::kInitialSyncDelayMs + 50);
    // The reads and the write run on the device worker, the rest back here.
    EXPECT_TRUE(PumpUntil([&] {
        return Keyboard()->IsDeviceWorkDone() &&
               emulator_->Device(SimKind::Keyboard)->Commits() > commitsBefore;
    })) << "the initial synchronisation writes the settings block";
    const std::vector<uint8_t> memory = emulator_->Device(SimKind::Keyboard)->Memory();
    EXPECT_NE(std::count(memory.begin(), memory.end(), 0), static_cast<long>(memory.size()));
}

TEST_F(PreviewTest, ThePreviewTicksOnlyWhileAnAnimatedPreviewIsSeen) {
    ASSERT_NE(tab_, nullptr);
    EXPECT_FALSE(tab_->IsPreviewTicking()) << "the profile's mode keeps the preview still";
    UsePerKeyLighting(-1);
    EXPECT_FALSE(tab_->IsPreviewTicking()) << "per-key lights without a light list are still";

    UsePerKeyLighting(3);
    EXPECT_TRUE(tab_->IsPreviewTicking()) << "a blinking LED moves the preview";

    Raise("closebtn", "click");  // hidden to the tray
    EXPECT_FALSE(tab_->IsPreviewTicking());
    window_->PostWakeUp();
    system_.RunPendingTasks();
    EXPECT_TRUE(tab_->IsPreviewTicking());

    window_->GetHost()->Minimize();
    EXPECT_FALSE(tab_->IsPreviewTicking());
    window_->GetHost()->Restore();
    EXPECT_TRUE(tab_->IsPreviewTicking());

    keyboard_->SetPreviewEnabled(false);  // the pointer left an inactive window
    EXPECT_FALSE(tab_->IsPreviewTicking());
    keyboard_->SetPreviewEnabled(true);
    EXPECT_TRUE(tab_->IsPreviewTicking());

    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_FALSE(tab_->IsPreviewTicking());
}

TEST_F(PreviewTest, AWriteTheDeviceRefusedIsMarkedUntilALaterOneGoesThrough) {
    skin::CControlUI* notice = Find("device_write_notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->IsOwnVisible());
    const auto settle = [&] {
        ASSERT_TRUE(Keyboard()->WaitForDeviceWork(std::chrono::seconds(10)));
        system_.RunPendingTasks();
    };
    emulator_->Device(SimKind::Keyboard)
        ->InjectFault(sim::SimFault::StatusError, 1, CMD_WRITE_MEMORY);
    keyboard_->SetLedStatus(true);
    settle();
    EXPECT_TRUE(notice->IsOwnVisible());
    keyboard_->SetLedStatus(true);
    settle();
    EXPECT_FALSE(notice->IsOwnVisible());
}

TEST_F(MainWindowTest, NoDeviceNoticeNamesADeviceThatMayNotBeOpened) {
    emulator_->Plug(SimKind::Keyboard);
    const auto paths = emulator_->Backend()->Paths("keyboard");
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths)
        emulator_->Backend()->RefuseOpen(path, hid::OpenStatus::PermissionDenied);
    Pass();
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(Find("nodevice_text")->GetTextId(), "nodevice_permission_text");

    for (const std::string& path : paths)
        emulator_->Backend()->RefuseOpen(path, hid::OpenStatus::Ok);
    Pass();
    EXPECT_FALSE(NoticeShown());
    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(Find("nodevice_text")->GetTextId(), "nodevice_text");
}

TEST_F(MainWindowTest, UnplugClosesTheChannelHidesTheTabAndShowsNoDevice) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_FALSE(TabOfKind(1)->IsItemVisible());
    EXPECT_FALSE(Keyboard()->CommandChannel().IsOpen());
    EXPECT_FALSE(Keyboard()->HasNotifyPath());
    EXPECT_EQ(window_->ActiveDevice(), nullptr);
    EXPECT_TRUE(NoticeShown());

    emulator_->Plug(SimKind::Keyboard);
    Pass();
    EXPECT_TRUE(TabOfKind(1)->IsTabSelected()) << "plugged again, shown and selected again";
    EXPECT_FALSE(NoticeShown());
}

TEST_F(MainWindowTest, TwoDevicesOneSelectedAndTheOtherTakesOverWhenTheActiveOneGoes) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    emulator_->Plug(SimKind::Mouse);
    Pass();
    CDeviceOptionUI* keyboardTab = TabOfKind(1);
    CDeviceOptionUI* mouseTab = TabOfKind(2);
    EXPECT_TRUE(keyboardTab->IsItemVisible());
    EXPECT_TRUE(mouseTab->IsItemVisible());
    EXPECT_TRUE(keyboardTab->IsTabSelected()) << "the first device keeps the selection";
    EXPECT_FALSE(mouseTab->IsTabSelected());
    EXPECT_EQ(window_->ActiveDevice(), Keyboard());

    // The user picks the mouse tab, then the keyboard tab again.
    ASSERT_TRUE(mouseTab->SelectButton()->Activate());
    EXPECT_FALSE(keyboardTab->IsTabSelected()) << "the tabs are one option group";
    EXPECT_EQ(window_->ActiveDevice(), mouseTab->GetPage());
    EXPECT_EQ(mouseTab->GetPageSwitch()->GetCurSel(), mouseTab->GetPageIndex());
    ASSERT_TRUE(keyboardTab->SelectButton()->Activate());
    EXPECT_EQ(window_->ActiveDevice(), Keyboard());
    EXPECT_EQ(keyboardTab->GetPageSwitch()->GetCurSel(), keyboardTab->GetPageIndex());

    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_TRUE(mouseTab->IsTabSelected());
    EXPECT_EQ(window_->ActiveDevice(), mouseTab->GetPage());
    EXPECT_EQ(mouseTab->GetPageSwitch()->GetCurSel(), mouseTab->GetPageIndex());
    EXPECT_FALSE(NoticeShown());
}

TEST_F(MainWindowTest, TheActiveDeviceGoingAwayEnablesTheTabsItsPanelHadDisabled) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    emulator_->Plug(SimKind::Mouse);
    Pass();
    window_->EnableControls(false);  // a panel is busy with the keyboard
    EXPECT_FALSE(Find("device_select_layout")->IsEnabled());
    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_TRUE(window_->IsControlEnabled());
    EXPECT_TRUE(Find("device_select_layout")->IsEnabled());
    EXPECT_TRUE(TabOfKind(2)->IsTabSelected());
}

TEST_F(MainWindowTest, DevicesArrivingInOnePassLeaveOneTabSelected) {
    for (SimKind kind : sim::kAllSimKinds) emulator_->Plug(kind);
    Pass();
    int selected = 0;
    for (CDeviceOptionUI* item : window_->TabItems()) {
        EXPECT_TRUE(item->IsItemVisible()) << item->GetKind();
        if (item->IsTabSelected()) ++selected;
    }
    EXPECT_EQ(selected, 1);
    ASSERT_NE(window_->ActiveDevice(), nullptr);
    auto* active = dynamic_cast<CDeviceOptionUI*>(window_->ActiveDevice()->GetOptionItem());
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->GetPageSwitch()->GetCurSel(), active->GetPageIndex())
        << "the page shown is the selected tab's";
}

TEST_F(MainWindowTest, ArrivalAndRemovalWhileSuspendedAreNotLost) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    window_->PostSleep(true);
    system_.RunPendingTasks();
    ASSERT_FALSE(window_->IsPowerActive());

    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_FALSE(Keyboard()->CommandChannel().IsOpen());
    EXPECT_FALSE(TabOfKind(1)->IsItemVisible());
    emulator_->Plug(SimKind::Mouse);
    Pass();

    window_->PostSleep(false);
    system_.RunPendingTasks();
    EXPECT_TRUE(window_->IsPowerActive());
    EXPECT_TRUE(TabOfKind(2)->IsTabSelected());
    EXPECT_TRUE(TabOfKind(2)->GetPage()->CommandChannel().IsOpen());
    EXPECT_FALSE(NoticeShown());
}

TEST_F(MainWindowTest, ProfileSwitchGoesToTheDeviceItStartedOnOrNowhere) {
    struct Case {
        const char* name;
        bool unplug;
        bool replug;
        bool switched;
    };
    const Case cases[] = {
        {"device stays", false, false, true},
        {"device unplugged", true, false, false},
        {"device replugged", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_->switched.clear();
        emulator_->Plug(SimKind::Keyboard);
        Pass();
        window_->StartProfileSwitchTimer(*Keyboard());
        if (c.unplug) {
            emulator_->Unplug(SimKind::Keyboard);
            Pass();
        }
        if (c.replug) {
            emulator_->Plug(SimKind::Keyboard);
            Pass();
        }
        Advance(CMainWnd::kProfileSwitchDelayMs + 10);
        ASSERT_EQ(window_->switched.size(), c.switched ? 1u : 0u);
        if (c.switched) {
            EXPECT_EQ(window_->switched[0], Keyboard());
        }
    }
}

TEST_F(MainWindowTest, TimersWaitWhileSuspended) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    window_->StartProfileSwitchTimer(*Keyboard());
    window_->PostSleep(true);
    system_.RunPendingTasks();
    Advance(CMainWnd::kProfileSwitchDelayMs + 10);
    EXPECT_TRUE(window_->switched.empty());
    window_->PostSleep(false);
    system_.RunPendingTasks();
    Advance(CMainWnd::kProfileSwitchDelayMs + 10);
    EXPECT_EQ(window_->switched.size(), 1u);
}

TEST_F(MainWindowTest, DefaultButtonRestoresTheDeviceOnlyWhenConfirmedOnTheSameDevice) {
    struct Case {
        const char* name;
        IPanelHost::Choice answer;
        bool replugWhileAsking;
        bool restored;
    };
    const Case cases[] = {
        {"confirmed", IPanelHost::Choice::Ok, false, true},
        {"cancelled", IPanelHost::Choice::Cancel, false, false},
        {"device replugged during the question", IPanelHost::Choice::Ok, true, false},
    };
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_->asked.clear();
        window_->answer = c.answer;
        window_->whileAsking = [&] {
            if (!c.replugWhileAsking) return;
            emulator_->Unplug(SimKind::Keyboard);
            Pass();
            emulator_->Plug(SimKind::Keyboard);
            Pass();
        };
        const int before = emulator_->Device(SimKind::Keyboard)->Commits();
        Raise("default_btn", "click");
        EXPECT_EQ(window_->asked, std::vector<std::string>{"message_text_22"});
        ASSERT_TRUE(Keyboard()->WaitForDeviceWork(std::chrono::seconds(10)));
        EXPECT_EQ(emulator_->Device(SimKind::Keyboard)->Commits() > before, c.restored);
    }
}

TEST_F(MainWindowTest, NoQuestionWithoutAnActiveDevice) {
    Pass();
    Raise("default_btn", "click");
    EXPECT_TRUE(window_->asked.empty());
}

TEST_F(MainWindowTest, LightControlToggleAndRequestsFromOtherPrograms) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    EXPECT_EQ(window_->GetLightControlFlag(), 1);
    EXPECT_EQ(Find("control_light_status")->GetTextId(), "control_light_on_text");
    Raise("control_light_status", "click");
    EXPECT_EQ(window_->GetLightControlFlag(), 0);
    EXPECT_EQ(Find("control_light_status")->GetTextId(), "control_light_off_text");
    using Announcements = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(announced_, (Announcements{{1, 1}, {1, 0}})) << "at start, then the toggle";
    EXPECT_FALSE(Keyboard()->IsLightingEnabled());

    struct Request {
        uint32_t wParam, lParam;
        int flag;
    };
    for (const Request& r :
         {Request{1, 1, 1}, Request{0, 0, 1}, Request{1, 2, 1}, Request{1, 0, 0}}) {
        window_->PostLightControlRequest(r.wParam, r.lParam);
        system_.RunPendingTasks();
        EXPECT_EQ(window_->GetLightControlFlag(), r.flag) << r.wParam << "," << r.lParam;
        EXPECT_EQ(Keyboard()->IsLightingEnabled(), r.flag != 0);
    }
    EXPECT_EQ(announced_.size(), 2u) << "requests from others are not announced back";
}

TEST_F(MainWindowTest, CloseButtonHidesToTheTrayAndAWakeUpBringsItBack) {
    Pass();
    ASSERT_TRUE(window_->IsVisible());
    Raise("closebtn", "click");
    EXPECT_FALSE(window_->IsVisible());
    EXPECT_TRUE(window_->IsWindow());
    window_->PostWakeUp();
    system_.RunPendingTasks();
    EXPECT_TRUE(window_->IsVisible());
}

TEST_F(MainWindowTest, MaximiseAndRestoreButtonsSwapAfterTheRoutedClick) {
    Pass();
    // The routed click runs the skin library's own handling afterwards.
    Raise("maxbtn", "click");
    EXPECT_FALSE(Find("maxbtn")->IsOwnVisible());
    EXPECT_TRUE(Find("restorebtn")->IsOwnVisible());
    Raise("restorebtn", "click");
    EXPECT_TRUE(Find("maxbtn")->IsOwnVisible());
    EXPECT_FALSE(Find("restorebtn")->IsOwnVisible());
}

TEST_F(MainWindowTest, ALanguageChoiceThatCannotBeStoredIsReported) {
    Pass();
    Raise("Language_combox", "itemselect");
    EXPECT_TRUE(window_->asked.empty()) << "stored: nothing to say";
    // A plain file where the config folder belongs: root writes anywhere else.
    std::filesystem::remove_all(folder_ / "config");
    folder_.WriteFile("config", "not a folder");
    Raise("Language_combox", "itemselect");
    EXPECT_EQ(window_->asked, std::vector<std::string>{"message_text_language_not_saved"});
}

TEST_F(MainWindowTest, APanelsNoticeIsShownAfterTheCurrentEvent) {
    Pass();
    window_->ShowNoticeLater("message_text_in_memory_only");
    EXPECT_TRUE(window_->asked.empty()) << "not from inside the event that found it";
    Advance(CMainWnd::kNoticeDelayMs);
    EXPECT_EQ(window_->asked, std::vector<std::string>{"message_text_in_memory_only"});
    Advance(CMainWnd::kNoticeDelayMs);
    EXPECT_EQ(window_->asked.size(), 1u) << "shown once";
}

TEST_F(MainWindowTest, TrayMenuFromTheMenuLayoutTogglesTheWindowAndItsExitEndsEverything) {
    skin::HeadlessTray* tray = system_.Tray();
    ASSERT_NE(tray, nullptr);
    std::vector<std::string> commands;
    for (const skin::TrayMenuItem& item : tray->Items()) commands.push_back(item.command);
    EXPECT_EQ(commands, (std::vector<std::string>{"show", "exit"}));

    emulator_->Plug(SimKind::Keyboard);
    Pass();
    ASSERT_TRUE(window_->IsVisible());
    ASSERT_TRUE(tray->Activate());
    system_.RunPendingTasks();
    EXPECT_FALSE(window_->IsVisible());
    ASSERT_TRUE(tray->Activate());
    system_.RunPendingTasks();
    EXPECT_TRUE(window_->IsVisible());

    ASSERT_TRUE(Keyboard()->IsNotifyThreadRunning());
    ASSERT_TRUE(tray->Choose("exit"));
    system_.RunPendingTasks();
    EXPECT_FALSE(Keyboard()->IsNotifyThreadRunning());
    EXPECT_FALSE(Keyboard()->IsLightingThreadRunning());
    EXPECT_FALSE(Keyboard()->CommandChannel().IsOpen());
    EXPECT_FALSE(window_->IsWindow());
    EXPECT_EQ(system_.Tray(), nullptr) << "the tray icon is removed";
}

TEST_F(MainWindowTest, MacroNotificationsAndMenuCommandsReachTheActiveKeyboardsMacroPanel) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    CMacroControlUI* macros = CMacroControlUI::Of(*Keyboard());
    ASSERT_NE(macros, nullptr);
    auto* keys = static_cast<IKeyAssignmentDevice*>(
        Keyboard()->GetInterface(IKeyAssignmentDevice::kInterface));
    ASSERT_NE(keys, nullptr);
    const MacroLibrary library(keys->MacroFolder());

    Raise("macro_btn_name_add", "click");
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"macro_1"}));
    EXPECT_EQ(macros->GetSelectedMacroIndex(), 0);

    // An item of the action menu comes back as the menu command message.
    ASSERT_TRUE(window_->PostMessage(kMsgMenuCommand, std::string("left_click")));
    system_.RunPendingTasks();
    EXPECT_EQ(macros->Actions().Size(), 2);
    EXPECT_EQ(library.ReadEvents(library.ReadIndex().at(0).guid).size(), 2u);
}

TEST_F(MainWindowTest, ElementFactoryKnowsTheNamesOfTheSkinWithoutRegardToCase) {
    struct Case {
        const char* element;
        const char* interfaceName;  // what the made control answers; null: no control
    };
    const Case cases[] = {
        {"ZembravaKeyboardDevice", "ZembravaKeyboardDevice"},
        {"zembravakeyboarddevice", "ZembravaKeyboardDevice"},
        {"ZembravaMouseDevice", "ZembravaUSBDevice"},
        {"ZembravaHS6533Device", "ZembravaUSBDevice"},
        {"DeviceOption", "DeviceOption"},
        {"MpDevicePower", "PowerStatusView"},
        {"LightControl", "LightControl"},
        {"DeviceProfile", "DeviceProfile"},
        {"SelectPanel", "SelectPanel"},
        {"DeviceKeyButton", "DeviceKeyButton"},
        {"MagicControl", "Container"},
        {"ShootControl", "ShootControl"},
        {"MacroControl", "MacroControl"},
        {"NoSuchElement", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::unique_ptr<skin::CControlUI> made(window_->CreateControl(c.element));
        if (!c.interfaceName) {
            EXPECT_EQ(made, nullptr) << c.element;
            continue;
        }
        ASSERT_NE(made, nullptr) << c.element;
        EXPECT_NE(made->GetInterface(c.interfaceName), nullptr) << c.element;
    }
}

TEST(DeviceOptionIcons, IconSetByKindAndVariant) {
    struct Case {
        int kind, variant;
        const char* set;
    };
    for (const Case& c :
         {Case{1, 0, "kb"}, Case{2, 0, "ms"}, Case{3, 0, "hard_mp"}, Case{3, 1, "soft_mp"},
          Case{3, 2, ""}, Case{4, 0, "hd"}, Case{7, 0, "hd"}, Case{5, 0, "hub"},
          Case{6, 0, "unknow"}, Case{0, 0, "unknow"}, Case{-1, 9, "unknow"}}) {
        EXPECT_EQ(IconSetOf(c.kind, c.variant), c.set) << c.kind << "," << c.variant;
    }
}

class ThreadedMainWindowTest : public MainWindowTest {
  protected:
    ThreadedMainWindowTest() { threaded_ = true; }
};

TEST_F(ThreadedMainWindowTest, TheDetectionThreadWaitsForTheUiThreadOnArrivalAndRemoval) {
    emulator_->Plug(SimKind::Keyboard);
    ASSERT_TRUE(PumpUntil([&] { return TabOfKind(1)->IsTabSelected(); }));
    EXPECT_TRUE(Keyboard()->CommandChannel().IsOpen());
    emulator_->Unplug(SimKind::Keyboard);
    ASSERT_TRUE(PumpUntil([&] { return NoticeShown(); }));
    EXPECT_FALSE(Keyboard()->CommandChannel().IsOpen());
    window_->Exit();
    system_.RunPendingTasks();
    EXPECT_FALSE(window_->IsWindow());
}

TEST_F(ThreadedMainWindowTest, ExitReleasesADetectionThreadWaitingForTheUiThread) {
    // Nothing pumps the UI thread: the detection thread's arrival stays
    // waiting until Exit stops it.
    emulator_->Plug(SimKind::Keyboard);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    window_->Exit();
    system_.RunPendingTasks();
    EXPECT_FALSE(window_->IsWindow());
    EXPECT_FALSE(Keyboard()->CommandChannel().IsOpen());
}

}  // namespace
}  // namespace kelno::app::test
