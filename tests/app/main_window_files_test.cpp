// Damaged files kept aside as backups: the window names each one once, in
// one message, when it is shown, whichever thread made the backup.

#include <thread>

#include "app/ui/message_box.h"
#include "core/file_backup.h"
#include "main_window_fixture.h"
#include "panels/message_texts.h"

namespace kelno::app::test {
namespace {

namespace fs = std::filesystem;

// A keyboard profile list that is no JSON, there before the window starts.
class DamagedAtStartTest : public MainWindowTest {
  protected:
    void Configure(MainWindowOptions&) override {
        folder_.WriteFile("user/keyboard/ProfileList.ini", "{ broken");
    }
};

TEST_F(DamagedAtStartTest, AFileKeptAsideAtStartIsNamedOnceTheWindowShows) {
    system_.RunPendingTasks();
    ASSERT_TRUE(fs::exists(folder_ / "user/keyboard/ProfileList.ini.bak")) << "kept at start";
    EXPECT_TRUE(window_->asked.empty()) << "no message over a hidden window";
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    ASSERT_TRUE(window_->IsVisible());
    system_.RunPendingTasks();
    EXPECT_EQ(folder_.ReadFile("user/keyboard/ProfileList.ini.bak"), "{ broken");
    EXPECT_EQ(window_->asked, std::vector<std::string>{texts::kFilesKeptAside});
    EXPECT_EQ(window_->details,
              std::vector<std::string>{"keyboard/ProfileList.ini → ProfileList.ini.bak"});

    // Hidden to the tray and shown again, damaged again: named once a run.
    Raise("closebtn", "click");
    window_->PostWakeUp();
    system_.RunPendingTasks();
    ASSERT_TRUE(window_->IsVisible());
    folder_.WriteFile("user/keyboard/ProfileList.ini", "{ broken again");
    ASSERT_TRUE(KeepBackup(folder_ / "user/keyboard/ProfileList.ini"));
    system_.RunPendingTasks();
    EXPECT_EQ(window_->asked.size(), 1u);
}

TEST_F(MainWindowTest, FilesKeptAsideOnAWorkerAreNamedTogetherOnTheUiThread) {
    Pass();
    system_.RunPendingTasks();
    ASSERT_TRUE(window_->asked.empty());
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(folder_.WriteFile("user/mouse/p" + std::to_string(i) + ".Json", "{"));
    std::thread worker([&] {
        for (const fs::path& file : files) EXPECT_TRUE(KeepBackup(file));
    });
    worker.join();
    EXPECT_TRUE(window_->asked.empty()) << "nothing is shown from the worker";
    system_.RunPendingTasks();
    ASSERT_EQ(window_->asked, std::vector<std::string>{texts::kFilesKeptAside})
        << "one message for the six";
    MessageBoxRequest more;
    more.text = texts::kFilesKeptAsideMore;
    more.number = 2;
    EXPECT_EQ(window_->details[0],
              "mouse/p0.Json → p0.Json.bak\nmouse/p1.Json → p1.Json.bak\n"
              "mouse/p2.Json → p2.Json.bak\nmouse/p3.Json → p3.Json.bak\n" +
                  MessageBoxText(more));
}

TEST_F(MainWindowTest, ASettingsFileOfTheWrongKindIsKeptAsideAndNamed) {
    Pass();
    folder_.WriteFile("config/settings.json", R"({"LANGUAGE": "2052"})");
    Raise("Language_combox", "itemselect");
    system_.RunPendingTasks();
    EXPECT_EQ(folder_.ReadFile("config/settings.json.bak"), R"({"LANGUAGE": "2052"})");
    EXPECT_EQ(window_->asked, std::vector<std::string>{texts::kFilesKeptAside});
    EXPECT_EQ(window_->details, std::vector<std::string>{"settings.json → settings.json.bak"});
}

}  // namespace
}  // namespace kelno::app::test
