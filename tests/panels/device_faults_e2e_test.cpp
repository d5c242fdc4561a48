// Device faults in the real program, armed through the emulator's control
// socket: a request that times out, an answer with the wrong echo, an error
// status and an answer cut short, each during the keyboard's first
// synchronisation after it is plugged in and during a lighting change. The
// window must keep answering, the profile files must keep what they held
// (a change the device did not take is not stored), and the program must
// carry on once the device behaves again.

#include <map>

#include "panels_e2e_fixture.h"

namespace kelno::test {
namespace {

// Requests the first synchronisation makes before it writes the settings
// block: the key map read's opening ones.
constexpr int kFirstSyncFaults = 2;
// A lighting change is one group: START, WRITE_MEMORY, FINISH.
constexpr int kLightingChangeFaults = 3;
// "Answers promptly": the window's thread is not held by a device's
// time-outs (a hang guard, generous for the sanitizer builds).
constexpr auto kPromptly = 15s;

struct FaultCase {
    const char* kind;
    int mode;         // the lighting mode chosen while the fault is armed
    bool deviceActs;  // the device carries out the request despite the fault
};
constexpr FaultCase kFaults[] = {
    {"timeout", 2, true},
    {"echo", 3, true},
    {"error", 4, false},
    {"short", 14, true},
};

// Every file of the keyboard's profiles, by name.
std::map<std::string, std::string> ProfileFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFileText(entry.path());
    return files;
}

class DeviceFaultsEndToEnd : public PanelsEndToEnd {
  protected:
    void ConnectAndWaitForTheFirstSync() {
        ASSERT_TRUE(app_.Connect((folder_ / "automation.sock").string(), 60s)) << Output();
        ASSERT_TRUE(emulator_.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        ASSERT_EQ(app_.Ask("wait-visible keyboard_device 60000"), "ok") << Output();
        modes_ = ShownRef(app_, "light_combo_modeSelect");
        ASSERT_FALSE(modes_.empty()) << Output();
        ASSERT_TRUE(WaitForFirstSync(emulator_)) << "the first synchronisation wrote the profile";
    }
    // A faultless lighting change: it reaches the device, and then the
    // profile.
    void SelectMode(int mode) {
        ASSERT_EQ(app_.Ask("select " + modes_ + " " + std::to_string(mode)), "ok");
        EXPECT_EQ(
            MemoryByte(AskUntil(emulator_, "mem keyboard 0 25",
                                [&](const std::string& r) { return MemoryByte(r, 1) == mode; }),
                       1),
            mode) << Output();
        EXPECT_TRUE(Eventually([&] { return LightInfo()["SelectItem"].asInt() == mode; }));
    }
    // The window answers an automation request within kPromptly.
    void ExpectTheWindowAnswers() {
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(app_.Ask("find " + modes_).starts_with("ok "));
        EXPECT_LT(std::chrono::steady_clock::now() - asked, kPromptly);
    }
    fs::path Profiles() const { return data_ / "keyboard"; }
    // The lighting settings of the first profile's file.
    Json::Value LightInfo() const {
        const fs::path file =
            Profiles() / (List()["profilelist"][0]["profileUUID"].asString() + ".Json");
        return ReadJsonFile(file)["Device"][0]["LightInfo"];
    }

    LineClient app_;
    LineClient emulator_;
    std::string modes_;
};

TEST_F(DeviceFaultsEndToEnd, AFaultyFirstSyncKeepsTheWindowAndTheProfiles) {
    ConnectAndWaitForTheFirstSync();
    for (const FaultCase& fault : kFaults) {
        SCOPED_TRACE(fault.kind);
        const auto before = ProfileFiles(Profiles());
        ASSERT_EQ(emulator_.Ask("unplug keyboard"), "ok");
        ASSERT_EQ(app_.Ask("wait-visible No_device_Link 30000"), "ok") << Output();
        // Armed while unplugged: the first requests after plugging get it.
        ASSERT_EQ(emulator_.Ask(std::string("fault keyboard ") + fault.kind + " " +
                                std::to_string(kFirstSyncFaults)),
                  "ok");
        ASSERT_EQ(emulator_.Ask("plug keyboard"), "ok");
        ASSERT_EQ(app_.Ask("wait-visible keyboard_device 60000"), "ok") << Output();
        EXPECT_EQ(AskUntil(emulator_, "faults keyboard",
                           [](const std::string& r) { return r == "ok 0"; }),
                  "ok 0")
            << "the first synchronisation met the faults";
        modes_ = ShownRef(app_, "light_combo_modeSelect");
        ASSERT_FALSE(modes_.empty()) << Output();
        ExpectTheWindowAnswers();
        // What the user sees today: the keyboard's page with the profile's
        // mode, as after a faultless start; the failed reads are only in
        // the debug output.
        EXPECT_NE(AskUntil(app_, "find " + modes_,
                           [](const std::string& r) { return r.find("cursel=1") != r.npos; })
                      .find("cursel=1"),
                  std::string::npos);
        EXPECT_EQ(ProfileFiles(Profiles()), before) << "the profiles are as they were";

        // Past the faults the device is driven again.
        SelectMode(14);
        SelectMode(1);
    }
    Screenshot(app_, "device-faults-first-sync.png");
}

TEST_F(DeviceFaultsEndToEnd, AFaultyLightingWriteKeepsTheWindowAndWhatIsStored) {
    ConnectAndWaitForTheFirstSync();
    // The profile file is written on the first change.
    SelectMode(14);
    SelectMode(1);
    for (const FaultCase& fault : kFaults) {
        SCOPED_TRACE(fault.kind);
        const std::string list = ReadFileText(Profiles() / "ProfileList.ini");
        const Json::Value stored = LightInfo();
        const int deviceMode = MemoryByte(emulator_.Ask("mem keyboard 0 25"), 1);

        ASSERT_EQ(emulator_.Ask(std::string("fault keyboard ") + fault.kind + " " +
                                std::to_string(kLightingChangeFaults)),
                  "ok");
        // The write runs on the device worker: the window answers while the
        // device's time-outs pass.
        EXPECT_EQ(app_.Ask("select " + modes_ + " " + std::to_string(fault.mode)), "ok");
        ExpectTheWindowAnswers();
        EXPECT_EQ(AskUntil(emulator_, "faults keyboard",
                           [](const std::string& r) { return r == "ok 0"; }),
                  "ok 0")
            << "the write met every fault";
        // What the keyboard did not take is not kept: the combo shows the
        // stored mode again, and the window says the device did not take it.
        const std::string storedMode = "cursel=" + std::to_string(stored["SelectItem"].asInt());
        EXPECT_NE(AskUntil(app_, "find " + modes_,
                           [&](const std::string& r) { return r.find(storedMode) != r.npos; })
                      .find(storedMode),
                  std::string::npos);
        EXPECT_NE(AskUntil(app_, "find device_write_notice",
                           [](const std::string& r) { return r.find("visible=1") != r.npos; })
                      .find("visible=1"),
                  std::string::npos);
        EXPECT_EQ(MemoryByte(emulator_.Ask("mem keyboard 0 25"), 1),
                  fault.deviceActs ? fault.mode : deviceMode);
        // The profile is as it was.
        EXPECT_EQ(LightInfo().toStyledString(), stored.toStyledString());
        EXPECT_EQ(ReadFileText(Profiles() / "ProfileList.ini"), list);

        // Once the device answers again, the change made again reaches it
        // and the mark goes.
        SelectMode(fault.mode);
        EXPECT_NE(AskUntil(app_, "find device_write_notice",
                           [](const std::string& r) { return r.find("visible=0") != r.npos; })
                      .find("visible=0"),
                  std::string::npos);
        SelectMode(1);
    }
    Screenshot(app_, "device-faults-lighting.png");
}

}  // namespace
}  // namespace kelno::test
