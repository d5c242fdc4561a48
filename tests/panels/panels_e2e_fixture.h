#pragma once
// The real program under a private Xvfb with the emulated keyboard, driven
// through its automation socket and the emulator's control socket; the
// panels' end-to-end tests share it. Its output and screenshots are kept
// beside the test's output.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "automation_client.h"
#include "core/json_file.h"
#include "support/eventually.h"
#include "support/temp_folder.h"
#include "xvfb_display.h"

namespace kelno::test {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

using LineClient = skin::test::AutomationClient;

// Asks until `done` holds for the reply (bounded); the last reply.
inline std::string AskUntil(LineClient& client, const std::string& line,
                            const std::function<bool(const std::string&)>& done) {
    std::string reply;
    Eventually(
        [&] {
            reply = client.Ask(line);
            return done(reply);
        },
        {}, kHangGuard, 50ms);
    return reply;
}

// The words of a reply.
inline std::vector<std::string> Words(const std::string& reply) {
    std::istringstream in(reply);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The hex byte `index` of an "ok xx xx ..." memory reply, or -1.
inline int MemoryByte(const std::string& reply, size_t index) {
    std::istringstream in(reply);
    std::string word;
    in >> word;
    if (word != "ok") return -1;
    for (size_t i = 0; in >> word; ++i) {
        if (i == index) return std::stoi(word, nullptr, 16);
    }
    return -1;
}

// Every device page carries the panels; the controls of the shown page are
// the visible occurrence of each name ("name#k"), found within a bounded
// wait. Empty when none shows.
inline std::string ShownRef(LineClient& app, const std::string& name) {
    std::string shown;
    const auto findShown = [&] {
        for (int k = 0; k < 8; ++k) {
            const std::string ref = name + "#" + std::to_string(k);
            const std::string reply = app.Ask("find " + ref);
            if (reply.starts_with("err")) break;
            if (reply.find(" visible=1 ") != std::string::npos) {
                shown = ref;
                return true;
            }
        }
        return false;
    };
    Eventually(findShown, {}, 30s, 100ms);
    return shown;
}

class PanelsEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(KELNO_DRIVER))
            GTEST_SKIP() << "kelno-driver is not built: " << KELNO_DRIVER;
        if (!display_.Running()) GTEST_SKIP() << "no Xvfb: " << display_.Reason();
        fs::create_directories(artefacts_);
        data_ = folder_ / "data";
        fs::create_directories(data_);
        PrepareData();
        output_ =
            artefacts_ / (std::string("kelno-driver-") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".out");
        std::vector<std::string> arguments = {
            "kelno-driver",  DemoOption(),
            "--sim-control", (folder_ / "emulator.sock").string(),
            "--automation",  (folder_ / "automation.sock").string(),
            "--data-dir",    data_.string()};
        for (std::string& extra : ExtraArguments()) arguments.push_back(std::move(extra));
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            setenv("DISPLAY", display_.Name().c_str(), 1);
            setenv("GDK_BACKEND", "x11", 1);
            setenv("XDG_RUNTIME_DIR", folder_.Path().c_str(), 1);
            setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
            unsetenv("WAYLAND_DISPLAY");
            // The desktop settings the pages change go to a file of the
            // test's own folder (XDG_CONFIG_HOME), where a test reads them.
            setenv("GSETTINGS_BACKEND", "keyfile", 1);
            for (const auto& [name, value] : environment_) setenv(name.c_str(), value.c_str(), 1);
            execv(KELNO_DRIVER, argv.data());
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }
    void TearDown() override {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        // A hang guard: the sanitizer builds end slower.
        for (int i = 0; i < 400 && !ended; ++i) {
            ended = waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended) std::this_thread::sleep_for(50ms);
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            ADD_FAILURE() << "kelno-driver did not end on SIGTERM\n" << Output();
            return;
        }
        // A sanitizer's report ends the program with another status.
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Output();
    }
    // What a test puts in the data folder before the program starts.
    virtual void PrepareData() {}
    // The emulated devices the program starts with.
    virtual std::string DemoOption() const { return "--demo"; }
    // Options after the fixture's own.
    virtual std::vector<std::string> ExtraArguments() const { return {}; }
    // Connects to the program and its emulator, plugs the keyboard when the
    // demo has none and waits for the keyboard's page: until it shows,
    // another kind's page (with controls of the same names) may be the one
    // on screen. The shown mode list's reference.
    std::string OpenKeyboardPage(LineClient& app, LineClient& emulator) {
        EXPECT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        EXPECT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        if (emulator.Ask("list").find("keyboard") == std::string::npos) {
            EXPECT_EQ(emulator.Ask("plug keyboard"), "ok");
        }
        EXPECT_EQ(app.Ask("wait-visible keyboard_device 30000"), "ok") << Output();
        return ShownRef(app, "light_combo_modeSelect");
    }
    // Waits until the first synchronisation has run: the emulator starts
    // with mode 1 at brightness 24, the profile's brightness (20) on the
    // device says the program wrote it (after reading the key map).
    bool WaitForFirstSync(LineClient& emulator) {
        const std::string memory = AskUntil(
            emulator, "mem keyboard 0 25",
            [](const std::string& r) { return MemoryByte(r, 1) == 1 && MemoryByte(r, 2) == 20; });
        return MemoryByte(memory, 2) == 20;
    }
    std::string Output() const {
        std::string text = ReadFileText(output_);
        return text.size() > 4000 ? text.substr(text.size() - 4000) : text;
    }
    Json::Value List() const { return ReadJsonFile(data_ / "keyboard" / "ProfileList.ini"); }
    void Screenshot(LineClient& app, const std::string& name) {
        EXPECT_EQ(app.Ask("screenshot " + (artefacts_ / name).string()), "ok") << name;
    }

    skin::test::XvfbDisplay display_;
    TempFolder folder_;
    fs::path artefacts_ = KELNO_PANELS_ARTEFACTS;
    fs::path data_;
    fs::path output_;
    pid_t pid_ = -1;
    // Set for the program besides the fixture's own (before SetUp).
    std::vector<std::pair<std::string, std::string>> environment_;
};

}  // namespace kelno::test
