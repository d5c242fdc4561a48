// The real skin-gallery program under a private Xvfb, driven through its
// automation socket the way the application's end-to-end tests drive the
// application: clicks, an option, a combo item, a slider drag, typing, the
// notifications it printed, and screenshots kept as artefacts.

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "automation_client.h"
#include "support/eventually.h"
#include "support/temp_folder.h"
#include "xvfb_display.h"

namespace kelno::skin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::AutomationClient;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GalleryEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!display_.Running()) GTEST_SKIP() << "no Xvfb: " << display_.Reason();
        artefacts_ = KELNO_TEST_ARTEFACTS;
        fs::create_directories(artefacts_);
        socket_ = (folder_ / "gallery.sock").string();
        output_ = artefacts_ / "skin-gallery-e2e.out";
        pid_ = fork();
        if (pid_ == 0) {
            int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            dup2(out, 1);
            setenv("DISPLAY", display_.Name().c_str(), 1);
            setenv("GDK_BACKEND", "x11", 1);
            unsetenv("WAYLAND_DISPLAY");
            execl(KELNO_SKIN_GALLERY, "skin-gallery", "--automation", socket_.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }
    void TearDown() override {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Waits (bounded) for the program to end; its exit status or -1.
    int WaitForExit(std::chrono::milliseconds limit) {
        int status = 0;
        const bool ended = kelno::test::Eventually(
            [&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, {}, limit, 20ms);
        if (!ended) return -1;
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::XvfbDisplay display_;
    kelno::test::TempFolder folder_;
    fs::path artefacts_;
    fs::path output_;
    std::string socket_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

TEST_F(GalleryEndToEndTest, DrivesTheRealProgramThroughItsAutomationSocket) {
    AutomationClient gallery;
    ASSERT_TRUE(gallery.Connect(socket_, 30s)) << ReadAll(output_);
    EXPECT_EQ(gallery.Ask("wait-visible plain_button 20000"), "ok");
    EXPECT_EQ(fs::status(socket_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_EQ(gallery.Ask("click plain_button"), "ok");
    EXPECT_EQ(gallery.Ask("click option_green"), "ok");
    EXPECT_EQ(gallery.Ask("find option_green").substr(0, 48),
              "ok class=OptionUI visible=1 enabled=1 selected=1");
    EXPECT_EQ(gallery.Ask("select mode_combo 3"), "ok");
    std::string combo = gallery.Ask("find mode_combo");
    EXPECT_NE(combo.find("items=6 cursel=3 text=Ripple"), std::string::npos) << combo;
    EXPECT_EQ(gallery.Ask("set-value level_slider 70"), "ok");
    EXPECT_NE(gallery.Ask("find level_slider").find("value=70"), std::string::npos);
    EXPECT_NE(gallery.Ask("find level_progress").find("value=70"), std::string::npos);
    EXPECT_EQ(gallery.Ask("type name_edit hello wörld"), "ok");
    EXPECT_NE(gallery.Ask("find name_edit").find("text=hello wörld"), std::string::npos);
    EXPECT_EQ(gallery.Ask("click disabled_button"), "ok");
    EXPECT_NE(gallery.Ask("find page_scrolling").find("visible=0"), std::string::npos);
    EXPECT_EQ(gallery.Ask("click tab_option_1"), "ok");
    EXPECT_EQ(gallery.Ask("wait-visible page_scrolling 5000"), "ok");
    EXPECT_EQ(gallery.Ask("find no_such_control").substr(0, 4), "err ");

    // A pop-up menu and a modal dialog are windows of their own.
    EXPECT_EQ(gallery.Ask("click menu_button"), "ok");
    EXPECT_EQ(gallery.Ask("wait-visible menu_about 5000"), "ok");
    EXPECT_EQ(gallery.Ask("click menu_about"), "ok");
    EXPECT_EQ(gallery.Ask("click modal_button"), "ok") << "answered as the modal loop starts";
    EXPECT_EQ(gallery.Ask("wait-visible dialog_ok 5000"), "ok");
    EXPECT_EQ(gallery.Ask("click plain_button"), "ok");  // the main window is blocked
    EXPECT_EQ(gallery.Ask("click dialog_ok"), "ok");

    fs::path shot = artefacts_ / "skin-gallery-e2e.png";
    fs::remove(shot);
    EXPECT_EQ(gallery.Ask("screenshot " + shot.string()), "ok");
    EXPECT_GT(fs::file_size(shot), 1000u);
    // The whole X screen as well, when ImageMagick is there.
    std::string import = test::FindProgram("import");
    if (!import.empty()) {
        std::string command = "DISPLAY=" + display_.Name() + " " + import + " -window root " +
                              (artefacts_ / "skin-gallery-e2e-screen.png").string();
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    EXPECT_EQ(gallery.Ask("click closebtn"), "ok");
    EXPECT_EQ(WaitForExit(20s), 0);

    std::string printed = ReadAll(output_);
    for (const char* line :
         {"ready", "notify click plain_button", "notify selectchanged option_green",
          "notify itemselect mode_combo", "notify movevaluechanged level_slider",
          "notify valuechanged level_slider", "notify setfocus name_edit",
          "notify textchanged name_edit", "notify killfocus name_edit",
          "notify selectchanged tab_option_1", "menu menu_about", "modal 1",
          "notify click closebtn", "closed"}) {
        EXPECT_NE(printed.find(std::string(line) + "\n"), std::string::npos) << line;
    }
    EXPECT_EQ(printed.find("notify click disabled_button"), std::string::npos)
        << "a disabled button does not click";
    size_t clicks = 0;
    for (size_t at = printed.find("notify click plain_button\n"); at != std::string::npos;
         at = printed.find("notify click plain_button\n", at + 1))
        ++clicks;
    EXPECT_EQ(clicks, 1u) << "no click reaches the main window under a modal dialog";
}

}  // namespace
}  // namespace kelno::skin
