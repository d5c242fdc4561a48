// The real kelno-driver under a private Xvfb in demo mode: the emulated
// keyboard is detected, unplugged and plugged again through the emulator's
// socket, the window is watched through the automation socket, a second
// start is turned away, and a terminate request ends the program cleanly.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "automation_client.h"
#include "support/command_run.h"
#include "support/eventually.h"
#include "support/temp_folder.h"
#include "xvfb_display.h"

namespace kelno::app {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using skin::test::AutomationClient;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DriverEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!display_.Running()) GTEST_SKIP() << "no Xvfb: " << display_.Reason();
        artefacts_ = KELNO_TEST_ARTEFACTS;
        fs::create_directories(artefacts_);
        automation_ = (folder_ / "automation.sock").string();
        emulator_ = (folder_ / "emulator.sock").string();
        log_ =
            artefacts_ / (std::string("kelno-driver-") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
        fs::remove(log_);
        StartMain();
        ASSERT_GT(pid_, 0);
    }
    void TearDown() override {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void StartMain() {
        exited_ = false;
        pid_ = Start({mode_, "--sim-control", emulator_, "--automation", automation_, "--data-dir",
                      (folder_ / "data").string()});
    }
    // SIGTERM, then the exit status (bounded). Every worker must have ended
    // within its own stop bound: a late one is logged.
    int Terminate() {
        if (kill(pid_, SIGTERM) != 0) return -1;
        const auto asked = std::chrono::steady_clock::now();
        const int status = WaitForExit(pid_, 20s);
        exited_ = status >= 0;
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - asked);
        RecordProperty("terminate_ms", static_cast<int>(took.count()));
        EXPECT_EQ(ReadAll(log_).find("did not stop in time"), std::string::npos) << ReadAll(log_);
        return status;
    }
    // The tab items on show, each "selected" or "not selected".
    static std::vector<std::string> ShownTabs(AutomationClient& window) {
        std::vector<std::string> shown;
        for (int k = 0;; ++k) {
            const std::string reply = window.Ask("find device_select#" + std::to_string(k));
            if (!reply.starts_with("ok")) return shown;
            if (reply.find(" visible=1 ") == std::string::npos) continue;
            shown.push_back(reply.find(" selected=1 ") != std::string::npos ? "selected"
                                                                            : "not selected");
        }
    }
    // Waits (hang guard only) until the main window is shown or hidden.
    bool WaitForWindow(bool viewable) const {
        return kelno::test::Eventually(
            [&] {
                return skin::test::IsTopLevelWindowViewable(display_.Name(), "KELNO Driver") ==
                       viewable;
            },
            {}, kelno::test::kHangGuard, 50ms);
    }

    pid_t Start(const std::vector<std::string>& arguments) {
        const pid_t pid = fork();
        if (pid != 0) return pid;
        const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        dup2(out, 1);
        dup2(out, 2);
        setenv("DISPLAY", display_.Name().c_str(), 1);
        setenv("GDK_BACKEND", "x11", 1);
        setenv("KELNO_DEBUG", "1", 1);
        unsetenv("WAYLAND_DISPLAY");
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const fs::path dir = folder_ / name;
            fs::create_directories(dir);
            fs::permissions(dir, fs::perms::owner_all);
            setenv(name, dir.c_str(), 1);
        }
        std::vector<char*> argv{const_cast<char*>("kelno-driver")};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(KELNO_DRIVER, argv.data());
        _exit(127);
    }

    // The exit status of `pid` once it ends (bounded: a hang guard), or -1.
    static int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
        int status = 0;
        const bool ended = kelno::test::Eventually(
            [&] { return waitpid(pid, &status, WNOHANG) == pid; }, {}, limit, 20ms);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    skin::test::XvfbDisplay display_;
    kelno::test::TempFolder folder_;
    fs::path artefacts_;
    fs::path log_;
    std::string automation_;
    std::string emulator_;
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string mode_ = "--demo";  // how the devices are chosen
};

// The way `./dev run` starts the program.
class DriverDemoFallbackEndToEndTest : public DriverEndToEndTest {
  protected:
    DriverDemoFallbackEndToEndTest() { mode_ = "--demo-if-no-device"; }
};

// --help is answered before anything starts: no display, no window, no
// device is needed, and every option the program takes is named.
TEST(DriverHelp, AnswersWithoutADisplayAndNamesEveryOption) {
    const test::CommandRun run =
        test::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(KELNO_DRIVER) +
                         " --help 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(run.output.starts_with("usage: kelno-driver")) << run.output;
    for (const char* option : {"--demo[=", "--demo-if-no-device", "--sim-control", "--automation",
                               "--data-dir", "--update-url", "--update-ca", "--audio=pulse"})
        EXPECT_NE(run.output.find(option), std::string::npos) << option;
}

TEST_F(DriverEndToEndTest, DetectsUnplugsAndPlugsTheEmulatedKeyboardAndEndsCleanly) {
    AutomationClient window;
    ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
    EXPECT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
    EXPECT_TRUE(WaitForWindow(true));
    EXPECT_EQ(ShownTabs(window), std::vector<std::string>{"selected"}) << "the keyboard's tab only";
    EXPECT_NE(window.Ask("find demo_device_badge").find("visible=1"), std::string::npos)
        << "an emulated device is marked";
    AutomationClient emulator;
    ASSERT_TRUE(emulator.Connect(emulator_, 10s));

    EXPECT_EQ(emulator.Ask("unplug keyboard"), "ok");
    EXPECT_EQ(window.Ask("wait-visible No_device_Link 20000"), "ok");
    EXPECT_NE(window.Ask("find keyboard_device").find("visible=0"), std::string::npos);
    EXPECT_NE(window.Ask("find demo_device_badge").find("visible=0"), std::string::npos);

    EXPECT_EQ(emulator.Ask("plug keyboard"), "ok");
    EXPECT_EQ(window.Ask("wait-visible keyboard_device 20000"), "ok");
    EXPECT_NE(window.Ask("find No_device_Link").find("visible=0"), std::string::npos);

    const fs::path shot = artefacts_ / "kelno-driver-e2e.png";
    fs::remove(shot);
    EXPECT_EQ(window.Ask("screenshot " + shot.string()), "ok");
    EXPECT_GT(fs::file_size(shot), 1000u);

    // Closed to the tray, then a second start: it wakes this one, which
    // shows itself again, and ends at once.
    EXPECT_EQ(window.Ask("click closebtn"), "ok");
    EXPECT_TRUE(WaitForWindow(false)) << "the close button hides the window";
    const pid_t second = Start({});
    EXPECT_EQ(WaitForExit(second, 20s), 0);
    EXPECT_TRUE(WaitForWindow(true)) << "the first window is shown again";

    EXPECT_EQ(Terminate(), 0) << ReadAll(log_);
    EXPECT_FALSE(fs::exists(automation_)) << "the automation socket is removed";
    EXPECT_FALSE(fs::exists(emulator_)) << "the emulator socket is removed";
    const std::string log = ReadAll(log_);
    EXPECT_NE(log.find("抓取设备线程设定退出"), std::string::npos) << "detection thread ended";
}

TEST_F(DriverEndToEndTest, TheChosenLanguageIsKeptAcrossARestart) {
    {
        AutomationClient window;
        ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
        ASSERT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
        EXPECT_NE(window.Ask("find title_text").find("text=KELNO Driver"), std::string::npos);
        EXPECT_EQ(window.Ask("select Language_combox 1"), "ok");  // Simplified Chinese
        EXPECT_NE(window.Ask("find title_text").find("text=KELNO 驱动"), std::string::npos);
    }
    ASSERT_EQ(Terminate(), 0) << ReadAll(log_);

    StartMain();
    AutomationClient window;
    ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
    ASSERT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
    EXPECT_NE(window.Ask("find title_text").find("text=KELNO 驱动"), std::string::npos);
    EXPECT_NE(window.Ask("find Language_combox").find("cursel=1"), std::string::npos);
    const fs::path shot = artefacts_ / "kelno-driver-e2e-chinese.png";
    EXPECT_EQ(window.Ask("screenshot " + shot.string()), "ok");
    EXPECT_EQ(Terminate(), 0) << ReadAll(log_);
}

// What a kill or another program can leave in the folders stops neither the
// next start nor SIGTERM: a FIFO where the settings file belongs, and the
// temporary files of writes that were cut short (swept at the start).
TEST_F(DriverEndToEndTest, StartsPastAFifoSettingsFileAndSweepsLeftoverTempFiles) {
    {
        AutomationClient window;
        ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
        ASSERT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
    }
    ASSERT_EQ(Terminate(), 0) << ReadAll(log_);

    const fs::path config = folder_ / "XDG_CONFIG_HOME" / "KELNO Driver";
    fs::create_directories(config);
    fs::remove(config / "settings.json");
    ASSERT_EQ(mkfifo((config / "settings.json").c_str(), 0600), 0);
    fs::path listFolder;
    for (const auto& entry : fs::recursive_directory_iterator(folder_ / "data"))
        if (entry.path().filename() == "ProfileList.ini") listFolder = entry.path().parent_path();
    ASSERT_FALSE(listFolder.empty()) << "the first run wrote a profile list";
    const std::vector<fs::path> leftovers = {config / ".settings.json.tmp-a1B2c3",
                                             listFolder / ".ProfileList.ini.tmp-Zz9Yy8"};
    for (const fs::path& leftover : leftovers) std::ofstream(leftover) << "{ half wri";

    StartMain();
    AutomationClient window;
    ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
    ASSERT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
    for (const fs::path& leftover : leftovers) EXPECT_FALSE(fs::exists(leftover)) << leftover;
    EXPECT_EQ(Terminate(), 0) << ReadAll(log_);
}

// With no supported device present the emulated keyboard is shown, said on
// stderr and marked as a demo device.
TEST_F(DriverDemoFallbackEndToEndTest, WithoutASupportedDeviceTheDemoKeyboardIsShownAndMarked) {
    AutomationClient window;
    ASSERT_TRUE(window.Connect(automation_, 60s)) << ReadAll(log_);
    if (ReadAll(log_).find("showing an emulated keyboard") == std::string::npos) {
        Terminate();
        GTEST_SKIP() << "a supported device is connected to this machine";
    }
    ASSERT_EQ(window.Ask("wait-visible keyboard_device 60000"), "ok") << ReadAll(log_);
    EXPECT_NE(window.Ask("find demo_device_badge").find("visible=1"), std::string::npos);
    EXPECT_NE(window.Ask("find demo_device_badge").find("text=Demo device"), std::string::npos);
    const fs::path shot = artefacts_ / "kelno-driver-e2e-demo-fallback.png";
    EXPECT_EQ(window.Ask("screenshot " + shot.string()), "ok");
    EXPECT_EQ(Terminate(), 0) << ReadAll(log_);
}

}  // namespace
}  // namespace kelno::app
