// The settings and update window on the headless window system with a
// scripted update server: what the list and the status area show for each
// outcome of a check, a download from the marks to the file shown to the
// user, closing during a transfer, and the language list.

#include "app/ui/set_wnd.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/app_messages.h"
#include "app/ui/language_manager.h"
#include "core/settings_store.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/core/control.h"
#include "skin/core/resource_manager.h"
#include "skin/layout/layouts.h"
#include "skin/window/headless_window_system.h"
#include "skin_fixture.h"
#include "support/eventually.h"
#include "support/temp_folder.h"
#include "update/fake_http_client.h"
#include "update/recording_launcher.h"
#include "update/update_config.h"

namespace kelno::app {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using update::RowStatus;
using update::WindowStatus;
using update::test::FakeHttpClient;
using update::test::JsonAnswer;
using update::test::OfferAnswer;

const fs::path kDefaultData = KELNO_DEFAULT_DATA_DIR;

class TestSetWnd final : public CSetWnd {
  public:
    using CSetWnd::CSetWnd;
    std::vector<std::string> told;

  protected:
    void Tell(const std::string& text) override { told.push_back(text); }
};

class SetWndTest : public test::OwnedWindowTest {
  protected:
    void TearDown() override {
        window_.reset();
        OwnedWindowTest::TearDown();
    }

    // Opens the window for the keyboard and the program with `server`.
    TestSetWnd& Open(std::string server = "https://updates.example/api/") {
        SettingsWindowOptions options;
        options.update.client = client_;
        options.update.server = {server};
        options.update.downloadFolder = update::DownloadFolder(temp_ / "cache");
        options.update.launcher = launcher_;
        options.update.lastCheckFile = temp_ / update::kLastCheckFileName;
        options.update.clock = &clock_;
        const std::vector<int32_t> tabs{0, 0x0105, 0, 0};
        options.targets =
            update::MakeUpdateTargets(Catalogue::Shipped().firmwareList(tabs, 10), "0.1.0");
        options.language = &language_;
        window_ = std::make_unique<TestSetWnd>(owner_, std::move(options));
        EXPECT_TRUE(window_->Open(skin::Point{10, 20}));
        window_->ShowWindow(true);
        return *window_;
    }
    // Runs the window's messages until `done` holds (hang guard).
    bool PumpUntil(const std::function<bool()>& done) {
        return kelno::test::Eventually(done, [this] { system_.RunPendingTasks(); });
    }
    bool CheckDone() {
        return PumpUntil([&] { return !window_->Rows().empty(); });
    }
    skin::CControlUI* Find(const char* name) {
        window_->GetPaintManager().UpdateLayout();
        return window_->GetPaintManager().FindControl(name);
    }
    skin::CControlUI* RowPart(size_t row, const char* name) {
        window_->GetPaintManager().UpdateLayout();
        return window_->GetPaintManager().FindSubControlByName(window_->Rows().at(row), name);
    }
    void Click(skin::CControlUI* control) {
        ASSERT_NE(control, nullptr);
        window_->GetPaintManager().UpdateLayout();
        ASSERT_TRUE(control->IsVisible() && control->IsEnabled()) << control->GetName();
        skin::HeadlessWindowSystem::Inner(window_->GetHost())->Click(control->GetPos().Center());
        system_.RunPendingTasks();
    }
    std::vector<std::string> CacheFiles() const {
        std::vector<std::string> files;
        if (!fs::exists(temp_ / "cache")) return files;
        for (const auto& entry : fs::recursive_directory_iterator(temp_ / "cache"))
            if (!entry.is_directory()) files.push_back(entry.path().filename());
        return files;
    }
    bool ReceivedByOwner(uint32_t id) const {
        for (const auto& [message, w] : owner_.messages)
            if (message == id) return true;
        return false;
    }

    kelno::test::TempFolder temp_;
    kelno::test::FixedWallClock clock_{{2026, 3, 4, 10, 0, 0, 0}};
    SettingsStore store_{temp_ / "settings.json"};
    CLanguageManager language_{kDefaultData / "Language.config", store_, nullptr};
    std::shared_ptr<FakeHttpClient> client_ = std::make_shared<FakeHttpClient>();
    std::shared_ptr<update::test::RecordingLauncher> launcher_ =
        std::make_shared<update::test::RecordingLauncher>();
    std::unique_ptr<TestSetWnd> window_;
};

TEST(UpdateRowLook, EachStatusShowsItsPartsMarkAndColours) {
    struct Case {
        RowStatus status;
        bool progress, done, markEnabled;
        uint32_t text, disabled;
    };
    const Case cases[] = {
        {RowStatus::NoInfo, false, false, false, 0xFFFFFFFF, 0xFF666666},
        {RowStatus::NeedUpdate, false, false, true, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::NeedUpdateAgain, false, false, true, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::DownloadWaiting, false, false, false, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::Downloading, true, false, false, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::Downloaded, false, true, false, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::Updating, true, false, false, 0xFF0099FF, 0xFF0078C8},
        {RowStatus::UpToDate, false, false, false, 0xFFFFFFFF, 0xFF666666},
        {RowStatus::UpdateFailed, false, false, true, 0xFF0099FF, 0xFF0078C8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        const UpdateRowLook look = LookOfRowStatus(c.status);
        EXPECT_EQ(look.progressShown, c.progress);
        EXPECT_EQ(look.doneShown, c.done);
        EXPECT_EQ(look.markEnabled, c.markEnabled);
        EXPECT_EQ(look.markTextColour, c.text);
        EXPECT_EQ(look.markDisabledTextColour, c.disabled);
    }
}

TEST_F(SetWndTest, ANewerVersionIsListedMarkedAndOffered) {
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("9999"); };
    Open();
    EXPECT_EQ(Find("Update_Status_text")->GetTextId(), "GetUpdateInfoText");
    EXPECT_TRUE(Find("update_status_ring")->IsVisible());
    ASSERT_TRUE(CheckDone());
    ASSERT_EQ(window_->Rows().size(), 2u);
    EXPECT_EQ(window_->Status(), WindowStatus::UpdatesFound);
    EXPECT_EQ(Find("Update_Status_text")->GetTextId(), "HaveUpdateInfoText");
    EXPECT_FALSE(Find("update_status_ring")->IsVisible());
    EXPECT_EQ(RowPart(0, "updateRev")->GetText(), "V9999");
    EXPECT_EQ(RowPart(0, "OldRev")->GetText(), "V0105");
    EXPECT_EQ(RowPart(1, "check_name_select")->GetText(), "AP");
    EXPECT_EQ(RowPart(1, "updateRev")->GetText(), "V2.0");
    for (size_t row = 0; row < 2; ++row) {
        EXPECT_EQ(RowPart(row, "update_status_text")->GetTextId(), "NeedUpdateText");
        EXPECT_TRUE(window_->Rows()[row]->IsMarked());
    }
    skin::CControlUI* update = Find("update_fw_and_ap");
    EXPECT_TRUE(update->IsVisible() && update->IsEnabled());

    // Unmarking every row takes the offer away; one mark brings it back.
    Click(RowPart(0, "check_name_select"));
    EXPECT_TRUE(update->IsVisible());
    Click(RowPart(1, "check_name_select"));
    EXPECT_FALSE(update->IsVisible() || update->IsEnabled());
    Click(RowPart(1, "check_name_select"));
    EXPECT_TRUE(update->IsVisible() && update->IsEnabled());
    EXPECT_FALSE(ReceivedByOwner(kMsgClearUpdateMarker));
}

TEST_F(SetWndTest, AFailedCheckIsShownAsAFailureNeverAsUpToDate) {
    struct Case {
        const char* name;
        update::HttpResponse response;
    };
    const Case cases[] = {
        {"unreachable", {update::HttpFailure::Unreachable, 0, {}, {}, "refused"}},
        {"server error", JsonAnswer(R"({"error": "busy"})", 500)},
        {"not JSON", JsonAnswer("<html>maintenance</html>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client_->answer = [&](const update::HttpRequest&) { return c.response; };
        Open();
        ASSERT_TRUE(CheckDone());
        EXPECT_EQ(window_->Status(), WindowStatus::CheckFailed);
        EXPECT_EQ(Find("Update_Status_text")->GetTextId(), "NoUpdateInfoText");
        for (size_t row = 0; row < window_->Rows().size(); ++row) {
            EXPECT_EQ(RowPart(row, "update_status_text")->GetTextId(), "UpdateCheckFailText");
            EXPECT_FALSE(RowPart(row, "check_name_select")->IsEnabled());
            EXPECT_EQ(RowPart(row, "updateRev")->GetText(), "");
        }
        EXPECT_FALSE(Find("update_fw_and_ap")->IsVisible());
        EXPECT_FALSE(ReceivedByOwner(kMsgClearUpdateMarker));
    }
}

TEST_F(SetWndTest, UpToDateShowsTheLastCheckDateInEachLanguageAndClearsTheMarker) {
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("1"); };
    Open();
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(window_->Status(), WindowStatus::UpToDate);
    EXPECT_EQ(Find("Update_Status_text")->GetText(),
              "Everything is up to date. Last check: 2026-3-4");
    EXPECT_EQ(RowPart(0, "update_status_text")->GetTextId(), "UpdateOkText");
    system_.RunPendingTasks();
    EXPECT_TRUE(ReceivedByOwner(kMsgClearUpdateMarker));

    skin::CResourceManager::GetInstance().LoadLanguage("lan_cn.xml");
    window_->PostMessage(kMsgApplyLanguage);
    system_.RunPendingTasks();
    EXPECT_EQ(Find("Update_Status_text")->GetText(), "已是最新版本。上次检查： 2026-3-4");
}

TEST_F(SetWndTest, WithoutAServerNothingIsAskedAndTheWindowSaysSo) {
    Open("");
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(window_->Status(), WindowStatus::NotConfigured);
    EXPECT_EQ(Find("Update_Status_text")->GetTextId(), "UpdateNotConfiguredText");
    EXPECT_TRUE(client_->Requests().empty());
    EXPECT_FALSE(Find("update_fw_and_ap")->IsVisible());
}

TEST_F(SetWndTest, TheMarkedRowIsDownloadedVerifiedAndShownNeverRun) {
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, update::HttpFailure::None, false};
    Open();
    ASSERT_TRUE(CheckDone());
    Click(RowPart(1, "check_name_select"));  // the program's row stays as it is
    Click(Find("update_fw_and_ap"));
    auto* pages = dynamic_cast<skin::CTabLayoutUI*>(Find("get_update_tab_layout"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCurSel(), 1);
    Click(Find("update_OK_btn"));
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_FALSE(Find("update_fw_and_ap")->IsEnabled());
    EXPECT_FALSE(RowPart(1, "check_name_select")->IsEnabled()) << "unmarked rows wait";

    ASSERT_TRUE(PumpUntil([&] { return !window_->told.empty(); }));
    CUpdateInfoListItemUI& row = *window_->Rows()[0];
    EXPECT_EQ(row.GetStatus(), RowStatus::Downloaded);
    EXPECT_EQ(RowPart(0, "update_status_text")->GetTextId(), "DownloadOkText");
    EXPECT_EQ(RowPart(0, "update_progress_value")->GetText(), "100%");
    EXPECT_TRUE(RowPart(0, "update_status_ok")->IsVisible());
    const fs::path file = temp_ / "cache" / "UpdateData" / "QB42M16D.bin";
    EXPECT_EQ(row.GetUserData(), file.string());
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(launcher_->shown, std::vector<fs::path>{file});
    ASSERT_EQ(window_->told.size(), 1u);
    EXPECT_NE(window_->told[0].find(file.string()), std::string::npos) << window_->told[0];
    EXPECT_EQ(client_->Downloads().size(), 1u);
    // The pass is over: the program's row may be chosen again.
    EXPECT_TRUE(RowPart(1, "check_name_select")->IsEnabled());
    EXPECT_EQ(RowPart(1, "update_status_text")->GetTextId(), "NeedUpdateText");
}

TEST_F(SetWndTest, AFileNoFileManagerCouldShowIsNotToldAsShown) {
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, update::HttpFailure::None, false};
    launcher_->answer = false;
    Open();
    ASSERT_TRUE(CheckDone());
    Click(Find("update_fw_and_ap"));
    Click(Find("update_OK_btn"));
    ASSERT_TRUE(PumpUntil([&] { return !window_->told.empty(); }));
    ASSERT_EQ(window_->told.size(), 1u) << "one message for the pass";
    const std::string& told = window_->told[0];
    EXPECT_NE(told.find("no file manager could show it"), std::string::npos) << told;
    for (const char* file : {"QB42M16D.bin", "ALL.bin"})
        EXPECT_NE(told.find((temp_ / "cache" / "UpdateData" / file).string()), std::string::npos)
            << told;
}

// The rows say the download failed; the window says why, once for the pass,
// and where the folder is.
TEST_F(SetWndTest, ARefusedDownloadFolderIsToldWithItsReason) {
    struct Case {
        const char* what;
        std::function<bool(const fs::path& folder)> plant;  // false: cannot be set up here
        const char* told;
    };
    const Case cases[] = {
        {"a link",
         [&](const fs::path& folder) {
             fs::create_directory_symlink(temp_.Path(), folder);
             return true;
         },
         "a symbolic link stands where the download folder belongs"},
        {"a file",
         [&](const fs::path& folder) {
             temp_.WriteFile(fs::relative(folder, temp_.Path()).string(), "keep");
             return true;
         },
         "a file stands where the download folder belongs"},
        // Only root may give a folder away.
        {"another user's folder",
         [&](const fs::path& folder) {
             fs::create_directory(folder);
             return ::chown(folder.c_str(), 65534, 65534) == 0;
         },
         "the download folder belongs to another user"},
    };
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, update::HttpFailure::None, false};
    const fs::path folder = update::DownloadFolder(temp_ / "cache");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(temp_ / "cache");
        fs::create_directories(folder.parent_path());
        if (!c.plant(folder)) {
            std::printf("skipped (needs root): %s\n", c.what);
            continue;
        }
        Open();
        ASSERT_TRUE(CheckDone());
        Click(Find("update_fw_and_ap"));
        Click(Find("update_OK_btn"));
        ASSERT_TRUE(PumpUntil([&] { return !window_->told.empty(); }));
        ASSERT_EQ(window_->told.size(), 1u) << "one message for the pass";
        const std::string& told = window_->told[0];
        EXPECT_NE(told.find(c.told), std::string::npos) << told;
        EXPECT_NE(told.find(folder.string()), std::string::npos) << told;
        for (size_t row = 0; row < window_->Rows().size(); ++row)
            EXPECT_EQ(RowPart(row, "update_status_text")->GetTextId(), "UpdateFailText");
        EXPECT_TRUE(client_->Downloads().empty());
        EXPECT_TRUE(launcher_->shown.empty());
    }
}

TEST_F(SetWndTest, ClosingDuringATransferStopsItAndLeavesNoPartialFile) {
    client_->answer = [](const update::HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, update::HttpFailure::None, true};
    Open();
    ASSERT_TRUE(CheckDone());
    Click(Find("update_fw_and_ap"));
    Click(Find("update_OK_btn"));
    ASSERT_TRUE(
        PumpUntil([&] { return window_->Rows()[0]->GetStatus() == RowStatus::Downloading; }));
    Click(Find("laterbtn"));
    system_.RunPendingTasks();
    EXPECT_FALSE(window_->IsWindow());
    EXPECT_EQ(CacheFiles(), std::vector<std::string>{});
    EXPECT_TRUE(launcher_->shown.empty());
}

TEST_F(SetWndTest, ALanguagePickGoesToTheMainWindow) {
    Open("");
    auto* combo = static_cast<skin::CComboUI*>(Find("Language_combox_info")->GetInterface("Combo"));
    ASSERT_NE(combo, nullptr);
    ASSERT_GE(combo->GetCount(), 2);
    EXPECT_TRUE(owner_.messages.empty()) << "filling the list picks nothing";
    combo->SelectItem(1, true);
    system_.RunPendingTasks();
    ASSERT_FALSE(owner_.messages.empty());
    EXPECT_EQ(owner_.messages.back(), (std::pair<uint32_t, int64_t>{kMsgApplyLanguage, 1}));
}

}  // namespace
}  // namespace kelno::app
