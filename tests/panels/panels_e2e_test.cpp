// The real program under a private Xvfb with the emulated keyboard, driven
// through its automation socket: a lighting mode, the brightness slider, a
// typed colour component, a new and renamed profile and a profile switch,
// checked in the files and in the keyboard's settings memory; then data
// folders the program cannot write or read as usual. Screenshots are kept
// beside the test's output.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "automation_client.h"
#include "core/json_file.h"
#include "support/temp_folder.h"
#include "xvfb_display.h"

namespace kelno::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using LineClient = skin::test::AutomationClient;

// Asks until `done` holds for the reply (bounded); the last reply.
std::string AskUntil(LineClient& client, const std::string& line,
                     const std::function<bool(const std::string&)>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;  // hang guard
    std::string reply = client.Ask(line);
    while (!done(reply) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        reply = client.Ask(line);
    }
    return reply;
}

// The hex byte `index` of an "ok xx xx ..." memory reply, or -1.
int MemoryByte(const std::string& reply, size_t index) {
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
std::string ShownRef(LineClient& app, const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;  // hang guard
    while (std::chrono::steady_clock::now() < deadline) {
        for (int k = 0; k < 8; ++k) {
            const std::string ref = name + "#" + std::to_string(k);
            const std::string reply = app.Ask("find " + ref);
            if (reply.starts_with("err")) break;
            if (reply.find(" visible=1 ") != std::string::npos) return ref;
        }
        std::this_thread::sleep_for(100ms);
    }
    return {};
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
        output_ = artefacts_ / "kelno-driver-e2e.out";
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
            execl(KELNO_DRIVER, "kelno-driver", "--demo", "--sim-control",
                  (folder_ / "emulator.sock").c_str(), "--automation",
                  (folder_ / "automation.sock").c_str(), "--data-dir", data_.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }
    void TearDown() override {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(50ms);
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Connects to the program and its emulator, plugs the keyboard when the
    // demo has none and waits for the keyboard's page: until it shows,
    // another kind's page (with controls of the same names) may be the one
    // on screen. The shown mode list's reference.
    std::string OpenKeyboardPage(LineClient& app, LineClient& emulator) {
        EXPECT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        EXPECT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        if (emulator.Ask("list").find("keyboard") == std::string::npos)
            EXPECT_EQ(emulator.Ask("plug keyboard"), "ok");
        EXPECT_EQ(app.Ask("wait-visible keyboard_device 30000"), "ok") << Output();
        return ShownRef(app, "light_combo_modeSelect");
    }
    // What a test puts in the data folder before the program starts.
    virtual void PrepareData() {}
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
};

TEST_F(PanelsEndToEnd, LightingAndProfilesReachTheKeyboardAndTheFiles) {
    LineClient app;
    LineClient emulator;
    const std::string modes = OpenKeyboardPage(app, emulator);
    ASSERT_FALSE(modes.empty()) << Output();
    const std::string brightness = ShownRef(app, "deng_light_slider");
    const std::string green = ShownRef(app, "deng_edit_G");
    const std::string menu = ShownRef(app, "profile_fun_spread_btn");
    const std::string profiles = ShownRef(app, "device_profile_combo");
    const std::string nameEdit = ShownRef(app, "device_profile_name_edit");
    const std::string rename = ShownRef(app, "device_profile_edit_save_btn");
    // The initial synchronisation has written the profile's mode (1).
    AskUntil(emulator, "mem keyboard 0 25",
             [](const std::string& r) { return MemoryByte(r, 1) == 1; });
    Screenshot(app, "panels-e2e-start.png");

    // A lighting mode with the colour group.
    ASSERT_EQ(app.Ask("select " + modes + " 14"), "ok") << app.Ask("find " + modes) << Output();
    EXPECT_EQ(MemoryByte(emulator.Ask("mem keyboard 0 25"), 1), 14);

    // The brightness slider.
    ASSERT_EQ(app.Ask("set-value " + brightness + " 12"), "ok");
    EXPECT_EQ(MemoryByte(emulator.Ask("mem keyboard 0 25"), 2), 12);

    // A colour component above 255 is clamped and the edit rewritten.
    ASSERT_EQ(app.Ask("type " + green + " 300"), "ok");
    EXPECT_EQ(MemoryByte(emulator.Ask("mem keyboard 0 25"), 7), 255);
    EXPECT_NE(app.Ask("find " + green).find("text=255"), std::string::npos);
    Screenshot(app, "panels-e2e-lighting.png");

    // A new profile, and a new name for the first one.
    ASSERT_EQ(app.Ask("click " + menu), "ok");
    const std::string add = ShownRef(app, "device_add_btn");
    ASSERT_EQ(app.Ask("click " + add), "ok");
    ASSERT_EQ(List()["profilelist"].size(), 2u);
    EXPECT_EQ(List()["profilelist"][1]["profilename"].asString(), "profile2");
    ASSERT_EQ(app.Ask("type " + nameEdit + " X"), "ok");
    ASSERT_EQ(app.Ask("click " + rename), "ok");
    EXPECT_EQ(List()["profilelist"][0]["profilename"].asString(), "profile1X");
    const std::string firstUuid = List()["profilelist"][0]["profileUUID"].asString();
    const Json::Value first = ReadJsonFile(data_ / "keyboard" / (firstUuid + ".Json"));
    EXPECT_EQ(first["profilename"].asString(), "profile1X");
    EXPECT_EQ(first["Device"][0]["LightInfo"]["SelectItem"].asInt(), 14);
    EXPECT_EQ(first["Device"][0]["LightInfo"]["Light"].asInt(), 12);
    EXPECT_EQ(first["Device"][0]["LightInfo"]["Green"].asInt(), 255);
    Screenshot(app, "panels-e2e-profiles.png");

    // Switching to the new profile brings its default lighting back.
    ASSERT_EQ(app.Ask("select " + profiles + " 1"), "ok");
    const std::string memory = AskUntil(emulator, "mem keyboard 0 25",
                                        [](const std::string& r) { return MemoryByte(r, 1) == 1; });
    EXPECT_EQ(MemoryByte(memory, 1), 1) << memory;
    EXPECT_EQ(MemoryByte(memory, 2), 20) << memory;
    EXPECT_EQ(List()["profileselect"].asInt(), 1);
    EXPECT_NE(app.Ask("find " + modes).find("cursel=1"), std::string::npos);
    Screenshot(app, "panels-e2e-switched.png");
}

// Root writes whatever the modes say, so the keyboard's data folder is
// made unwritable by a plain file in its place: the start says the profile
// is kept in memory only, and a lighting change says it was not saved.
class PanelsOnAnUnwritableFolder : public PanelsEndToEnd {
  protected:
    void PrepareData() override { std::ofstream(data_ / "keyboard") << "not a folder"; }
};

TEST_F(PanelsOnAnUnwritableFolder, TheWindowAnswersAndAFailedSaveIsReported) {
    LineClient app;
    LineClient emulator;
    const std::string modes = OpenKeyboardPage(app, emulator);
    ASSERT_FALSE(modes.empty()) << Output();
    // The profile cannot be read or made: said once the page has loaded.
    ASSERT_EQ(app.Ask("wait-visible MessageText 30000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("could not be read"), std::string::npos)
        << app.Ask("find MessageText");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");
    // The initial synchronisation shows the default profile's mode (1).
    const std::string shown = AskUntil(app, "find " + modes, [](const std::string& r) {
        return r.find("cursel=1") != std::string::npos;
    });
    ASSERT_NE(shown.find("cursel=1"), std::string::npos) << shown;
    const int sent = MemoryByte(emulator.Ask("mem keyboard 0 25"), 1);
    ASSERT_EQ(app.Ask("select " + modes + " 14"), "ok") << Output();
    // The message box is up within a second: the window is not held by the
    // failed write.
    ASSERT_EQ(app.Ask("wait-visible MessageText 1000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("could not be saved"), std::string::npos)
        << app.Ask("find MessageText");
    Screenshot(app, "panels-e2e-save-failed.png");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");

    EXPECT_EQ(MemoryByte(emulator.Ask("mem keyboard 0 25"), 1), sent) << "the change is not sent";
    EXPECT_EQ(app.Ask("find " + modes), shown) << "the panel shows the mode it had";
    EXPECT_TRUE(fs::is_regular_file(data_ / "keyboard")) << "left as it was";
}

// A FIFO in the profile list's place: read without blocking, kept as the
// backup and replaced by a rebuilt list.
class PanelsWithAFifoProfileList : public PanelsEndToEnd {
  protected:
    void PrepareData() override {
        fs::create_directories(data_ / "keyboard");
        ASSERT_EQ(mkfifo((data_ / "keyboard" / "ProfileList.ini").c_str(), 0600), 0);
    }
};

TEST_F(PanelsWithAFifoProfileList, TheWindowAnswersAndTheListIsRebuilt) {
    LineClient app;
    ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
    ASSERT_EQ(app.Ask("wait-visible keyboard_device 30000"), "ok") << Output();
    const std::string profiles = ShownRef(app, "device_profile_combo");
    ASSERT_FALSE(profiles.empty()) << Output();
    EXPECT_EQ(app.Ask("wait-visible " + profiles + " 1000"), "ok");
    EXPECT_EQ(List()["profilelist"].size(), 1u);
    const fs::path backup = data_ / "keyboard" / "ProfileList.ini.bak";
    EXPECT_TRUE(fs::is_fifo(backup)) << "the FIFO is kept as the backup";
}

}  // namespace
}  // namespace kelno::test
