// The mouse model over the emulated mouse, with no window: a change is
// written first and stored only when the mouse took it; refusals, a mouse
// that goes away during the write, a file that cannot be written, changes
// that overtake each other, read-back and clamping.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/json_file.h"
#include "devices/detect/emulator_catalogue.h"
#include "devices/hid/command_report.h"
#include "devices/model/device_link.h"
#include "devices/model/mouse_model.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_device_set.h"
#include "platform/sim/sim_devices.h"
#include "support/stepped_time.h"
#include "support/temp_folder.h"

namespace kelno::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Stands in for the UI thread: what the link posts waits here until the
// test runs it.
class OwnerQueue {
  public:
    UiTaskPoster Poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            return true;
        };
    }
    // How many ran.
    size_t RunPending() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
        return tasks.size();
    }

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
};

std::vector<uint8_t> Head(const std::vector<uint8_t>& bytes, size_t length) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)};
}

// A mouse model on an emulated mouse, its profile in a temporary folder.
struct MouseRig {
    void Start(sim::SimKind kind) {
        device = devices.Plug(kind);
        ASSERT_NE(device, nullptr);
        profilePath = folder / "u1.Json";
        fs::copy_file(fs::path(KELNO_DEFAULT_DATA_DIR) / "mouse.Json", profilePath);
        CMouseProfiledata& profile = model.Profile();
        profile.SetDefaultPath(fs::path(KELNO_DEFAULT_DATA_DIR) / "mouse.Json");
        profile.SetProfilePath(profilePath);
        profile.Load(profilePath);
        model.TakeProfile();
        model.SetScreenSize(1920, 1080);
        model.SetDpiRange(mouse::DpiRangeOf(device->Info()));
        model.SetWriteListener([this](int result) { writeResults.push_back(result); });
        link.SetPoster(owner.Poster());
        const bool wireless = kind == sim::SimKind::WirelessMouse;
        ASSERT_TRUE(link.OpenCommand(VendorPath(kind), wireless));
        fileBefore = ReadFileText(profilePath);
        blockBefore = Block();
    }

    std::string VendorPath(sim::SimKind kind) const {
        const bool wireless = kind == sim::SimKind::WirelessMouse;
        const hid::DeviceAttributes ids = wireless ? sim::kSimWirelessMouseIds : sim::kSimMouseIds;
        const Catalogue catalogue = EmulatorCatalogue();
        const int row = catalogue.findSupportedRow(
            ids.vendorId, ids.productId,
            KindCode(wireless ? DeviceKind::WirelessMouse : DeviceKind::Mouse), kPrimaryVariant);
        const std::vector<std::string> paths =
            devices.Backend()->Paths(wireless ? "wmouse" : "mouse");
        if (row >= 0) {
            const int number = catalogue.SupportedDeviceTable()[static_cast<size_t>(row)]
                                   .collectionNumber;
            const std::string collection =
                (number < 10 ? "col0" : "col") + std::to_string(number);
            for (const std::string& path : paths)
                if (path.find(collection) != std::string::npos) return path;
        }
        return paths.empty() ? std::string() : paths.back();
    }

    // The device's work is done and what it posted back (and what that
    // queued in turn: a state sent back) has run.
    void Settle() {
        for (int round = 0; round < 10; ++round) {
            ASSERT_TRUE(link.WaitForWork(10s));
            if (owner.RunPending() == 0) return;
        }
        ADD_FAILURE() << "the device work never settled";
    }
    std::vector<uint8_t> Block() const { return Head(device->Memory(), mouse::kSettingsWriteSize); }
    int StoredDpiInFile(size_t stage) const {
        return ReadJsonFile(profilePath)["Device"][0]["DPIStages"]["StageDPIs"]
                   [static_cast<int>(stage)]["StageDPIX"]
                       .asInt();
    }
    void SetStage(size_t stage, uint16_t steps, std::optional<CommitResult>* ended = nullptr) {
        model.Apply(
            [stage, steps](MouseState& s) {
                s.stages[stage].dpiX = steps;
                s.stages[stage].dpiY = steps;
            },
            [ended](CommitResult result) {
                if (ended) *ended = result;
            });
    }

    TempFolder folder;
    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> device;
    OwnerQueue owner;
    DeviceLink link{devices.Backend()};
    MouseModel model{link};
    fs::path profilePath;
    std::string fileBefore;
    std::vector<uint8_t> blockBefore;
    std::vector<int> writeResults;
};

class MouseModelTest : public testing::Test, protected MouseRig {};

TEST_F(MouseModelTest, AChangeIsShownAtOnceAndStoredOnceTheMouseTookIt) {
    Start(sim::SimKind::Mouse);
    const MouseState stored = model.Stored();
    std::optional<CommitResult> ended;
    SetStage(1, 100, &ended);

    EXPECT_EQ(model.Shown().stages[1].dpiX, 100) << "the page shows the change on its way";
    EXPECT_EQ(model.Stored(), stored) << "nothing is stored before the mouse answered";
    Settle();

    ASSERT_EQ(ended, CommitResult::Stored);
    EXPECT_EQ(model.Stored(), model.Shown());
    EXPECT_EQ(model.Stored().stages[1].dpiX, 100);
    EXPECT_EQ(model.Profile().GetDpiStages()[1].dpiX, 100);
    EXPECT_EQ(StoredDpiInFile(1), 100);
    const std::vector<uint8_t> block = Block();
    const auto storedBlock = model.BlockOf(model.Stored());
    EXPECT_EQ(block, std::vector<uint8_t>(storedBlock.begin(), storedBlock.end()));
    EXPECT_EQ(block[mouse::kStageOffset + 9 + 2], 100);
    EXPECT_EQ(writeResults, std::vector<int>{kChannelOk});
}

// Whatever way the mouse does not take a change, the profile, its file and
// the state shown keep what the mouse holds, and the owner hears of it.
TEST_F(MouseModelTest, AChangeTheMouseDidNotTakeChangesNothing) {
    struct Case {
        const char* what;
        sim::SimKind kind;
        std::function<void(MouseRig&)> refuse;
    };
    const Case cases[] = {
        {"the write fails", sim::SimKind::Mouse,
         [](MouseRig& t) {
             t.device->InjectFault(sim::SimFault::WriteFailure, 1, CMD_WRITE_MEMORY);
         }},
        {"the mouse rejects it", sim::SimKind::Mouse,
         [](MouseRig& t) {
             t.device->InjectFault(sim::SimFault::StatusRejected, 1, CMD_WRITE_MEMORY);
         }},
        {"the wireless link is down", sim::SimKind::WirelessMouse,
         [](MouseRig& t) { t.device->SetLinkUp(false); }},
        {"the mouse is closed", sim::SimKind::Mouse,
         [](MouseRig& t) { t.link.CloseCommand(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MouseRig t;
        t.Start(c.kind);
        const MouseState stored = t.model.Stored();
        c.refuse(t);
        std::optional<CommitResult> ended;
        t.SetStage(0, 50, &ended);
        t.Settle();

        EXPECT_EQ(ended, CommitResult::Refused);
        EXPECT_EQ(t.model.Stored(), stored);
        EXPECT_EQ(t.model.Shown(), stored) << "the state shown goes back";
        EXPECT_EQ(t.model.Profile().GetDpiStages(), stored.stages);
        EXPECT_EQ(ReadFileText(t.profilePath), t.fileBefore);
        ASSERT_EQ(t.writeResults.size(), 1u);
        EXPECT_NE(t.writeResults[0], kChannelOk);
        if (c.kind == sim::SimKind::WirelessMouse) {
            EXPECT_EQ(t.Block(), t.blockBefore);
            // The link back, the same change goes through.
            t.device->SetLinkUp(true);
            t.SetStage(0, 50, &ended);
            t.Settle();
            EXPECT_EQ(ended, CommitResult::Stored);
            EXPECT_EQ(t.StoredDpiInFile(0), 50);
        }
    }
}

// A mouse that never answers, on a stepped clock: the change ends at once,
// refused, after the channel's time-outs in stepped time.
TEST(MouseModelSteppedTime, AMouseThatNeverAnswersRefusesTheChangeAfterItsTimeOuts) {
    SteppedTime time;
    sim::SimDeviceSet devices(std::make_shared<sim::SimHidBackend>(time));
    std::shared_ptr<sim::SimCommandDevice> device = devices.Plug(sim::SimKind::Mouse);
    ASSERT_NE(device, nullptr);
    DeviceLink link(devices.Backend(), time);  // a tool's link: the write runs at once
    MouseModel model(link);
    TempFolder folder;
    const fs::path profile = folder / "u1.Json";
    fs::copy_file(fs::path(KELNO_DEFAULT_DATA_DIR) / "mouse.Json", profile);
    model.Profile().SetProfilePath(profile);
    model.Profile().Load(profile);
    model.TakeProfile();
    const std::vector<std::string> paths = devices.Backend()->Paths("mouse");
    bool opened = false;
    for (const std::string& path : paths) {
        if (!link.OpenCommand(path, false)) continue;
        std::array<uint8_t, kDeviceInfoSize> info{};
        if (link.Command().ReadInfo(info) == kChannelOk) {
            opened = true;
            break;
        }
        link.CloseCommand();
    }
    ASSERT_TRUE(opened) << "the vendor collection answers";
    const std::string fileBefore = ReadFileText(profile);
    const MouseState stored = model.Stored();

    device->InjectFault(sim::SimFault::NoAnswer, 1, CMD_WRITE_MEMORY);
    const auto before = time.Elapsed();
    std::optional<CommitResult> ended;
    model.Apply([](MouseState& s) { s.stages[0].dpiX = 44; },
                [&ended](CommitResult result) { ended = result; });

    EXPECT_EQ(ended, CommitResult::Refused);
    EXPECT_EQ(time.Elapsed() - before, 2000ms) << "two reads of 1000 ms, in stepped time";
    EXPECT_EQ(model.Stored(), stored);
    EXPECT_EQ(ReadFileText(profile), fileBefore);
}

TEST_F(MouseModelTest, AMouseUnpluggedDuringTheWriteEndsTheChangeUnstored) {
    Start(sim::SimKind::Mouse);
    const MouseState stored = model.Stored();
    device->InjectFault(sim::SimFault::UnplugBeforeAnswer, 1, CMD_WRITE_MEMORY);
    std::optional<CommitResult> ended;
    SetStage(2, 60, &ended);
    Settle();
    link.CloseCommand();  // as the window does when the mouse is gone
    owner.RunPending();

    EXPECT_EQ(ended, CommitResult::Refused);
    EXPECT_EQ(model.Stored(), stored);
    EXPECT_EQ(model.Shown(), stored);
    EXPECT_EQ(ReadFileText(profilePath), fileBefore);
}

TEST_F(MouseModelTest, AResultThatComesAfterTheMouseWentAwayStillEndsTheChange) {
    Start(sim::SimKind::Mouse);
    const MouseState stored = model.Stored();
    device->SetLatency(20ms);
    std::optional<CommitResult> ended;
    SetStage(2, 60, &ended);
    link.CloseCommand();  // the transaction under way ends at once
    Settle();

    ASSERT_TRUE(ended.has_value()) << "the change does not hang on a gone mouse";
    EXPECT_EQ(ended, CommitResult::Refused);
    EXPECT_EQ(model.Shown(), stored);
    EXPECT_EQ(ReadFileText(profilePath), fileBefore);
}

TEST_F(MouseModelTest, AChangeThatCannotBeSavedIsTakenBackFromTheMouse) {
    Start(sim::SimKind::Mouse);
    const MouseState stored = model.Stored();
    const std::vector<uint8_t> storedBlock = [&] {
        const auto block = model.BlockOf(stored);
        return std::vector<uint8_t>(block.begin(), block.end());
    }();
    fs::remove(profilePath);
    fs::create_directories(profilePath / "inside");  // no file can be written there
    std::optional<CommitResult> ended;
    SetStage(1, 120, &ended);
    Settle();

    EXPECT_EQ(ended, CommitResult::NotSaved);
    EXPECT_EQ(model.Stored(), stored);
    EXPECT_EQ(model.Shown(), stored);
    EXPECT_EQ(model.Profile().GetDpiStages(), stored.stages);
    EXPECT_EQ(Block(), storedBlock) << "the mouse holds what is stored again";
    ASSERT_EQ(writeResults.size(), 2u);
    EXPECT_EQ(writeResults[1], kChannelOk);
}

TEST_F(MouseModelTest, ChangesOnTheirWayTogetherAllLand) {
    Start(sim::SimKind::Mouse);
    device->SetLatency(2ms);
    SetStage(0, 40);
    model.Apply([](MouseState& s) { s.system[mouse::kReportRate] = 2; });
    SetStage(3, 90);
    EXPECT_EQ(model.Shown().stages[0].dpiX, 40) << "each change builds on the one before";
    EXPECT_EQ(model.Shown().system[mouse::kReportRate], 2);
    Settle();

    EXPECT_EQ(model.Stored(), model.Shown());
    EXPECT_EQ(StoredDpiInFile(0), 40);
    EXPECT_EQ(StoredDpiInFile(3), 90);
    EXPECT_EQ(Block()[11], 2);
    EXPECT_EQ(Block()[mouse::kStageOffset + 9 * 3 + 2], 90);
}

TEST_F(MouseModelTest, ChangesAreClampedAndOneLeavingNoStageOnIsNotSent) {
    Start(sim::SimKind::Mouse);
    const mouse::DpiRange range = mouse::DpiRangeOf(device->Info());
    ASSERT_GT(range.steps, 0);
    SetStage(0, static_cast<uint16_t>(range.steps + 50));
    model.Apply([](MouseState& s) {
        s.activeStage = 99;
        s.system[mouse::kReportRate] = 9;
    });
    Settle();
    EXPECT_EQ(model.Stored().stages[0].dpiX, range.steps);
    EXPECT_EQ(model.Stored().activeStage, static_cast<int>(model.Stored().stages.size()) - 1);
    EXPECT_EQ(model.Stored().system[mouse::kReportRate], 0);

    device->ClearExchanges();
    std::optional<CommitResult> ended;
    model.Apply([](MouseState& s) {
        for (DpiStage& stage : s.stages) stage.enabled = 0;
    },
                [&ended](CommitResult result) { ended = result; });
    Settle();
    EXPECT_EQ(ended, CommitResult::Refused);
    EXPECT_TRUE(device->CommandRequests().empty()) << "nothing is sent";
    EXPECT_TRUE(std::any_of(model.Shown().stages.begin(), model.Shown().stages.end(),
                            [](const DpiStage& s) { return s.enabled != 0; }));
}

// A profile loaded while a change is on its way: the same profile loaded
// again keeps the change (a first synchronisation that ends after the
// user's change); another profile is not given it, and the mouse ends on
// the profile shown.
TEST_F(MouseModelTest, AChangeOnItsWayFollowsItsOwnProfileOnly) {
    Start(sim::SimKind::Mouse);
    device->SetLatency(5ms);
    SetStage(1, 70);
    model.Profile().Load(profilePath);
    model.TakeProfile();
    model.SendStored();
    EXPECT_EQ(model.Shown().stages[1].dpiX, 70) << "still on its way";
    Settle();
    EXPECT_EQ(model.Stored().stages[1].dpiX, 70);
    EXPECT_EQ(StoredDpiInFile(1), 70);
    EXPECT_EQ(Block()[mouse::kStageOffset + 9 + 2], 70) << "the mouse and the file agree";

    const fs::path other = folder / "u2.Json";
    fs::copy_file(profilePath, other);
    SetStage(1, 90);
    model.Profile().SetProfilePath(other);
    model.Profile().Load(other);
    model.TakeProfile();
    model.SendStored();
    Settle();
    EXPECT_EQ(model.Stored().stages[1].dpiX, 70);
    EXPECT_EQ(model.Shown().stages[1].dpiX, 70);
    EXPECT_EQ(StoredDpiInFile(1), 70) << "the left profile's file is not given it either";
    EXPECT_EQ(ReadJsonFile(other)["Device"][0]["DPIStages"]["StageDPIs"][1]["StageDPIX"].asInt(),
              70);
    EXPECT_EQ(Block()[mouse::kStageOffset + 9 + 2], 70) << "the mouse ends on the profile shown";
}

TEST_F(MouseModelTest, WhatTheMouseReportsIsStoredAsItIs) {
    Start(sim::SimKind::Mouse);
    std::vector<MouseState> heard;
    model.SetStateListener([&heard](const MouseState& s) { heard.push_back(s); });
    EXPECT_TRUE(model.TakeFromDevice([](MouseState& s) {
        s.light[LightSetting::kMode] = 3;
        s.activeStage = 2;
    }));
    EXPECT_EQ(model.Stored().activeStage, 2);
    EXPECT_EQ(model.Stored().light[LightSetting::kMode], 3);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], model.Stored());
    EXPECT_EQ(ReadJsonFile(profilePath)["Device"][0]["DPIStages"]["StageActive"].asInt(), 2);
    EXPECT_TRUE(device->CommandRequests().empty()) << "nothing is written back";
}

// A setting the device does not hold is stored at once, whatever the
// mouse says (here: its link is down); a file that cannot be written keeps
// it from the profile, and so does a read-back's.
TEST_F(MouseModelTest, SettingsTheMouseDoesNotHoldAreStoredAtOnceUnlessTheFileFails) {
    Start(sim::SimKind::WirelessMouse);
    device->SetLinkUp(false);
    EXPECT_TRUE(model.StoreAtOnce([](MouseState& s) { s.system[mouse::kPointerSpeed] = 7; }));
    EXPECT_EQ(model.Stored().system[mouse::kPointerSpeed], 7);
    EXPECT_EQ(model.Shown().system[mouse::kPointerSpeed], 7);
    EXPECT_EQ(ReadJsonFile(profilePath)["Device"][0]["SystemStages"]["MouseSpeed"].asInt(), 7);
    Settle();
    ASSERT_EQ(writeResults.size(), 1u) << "the stored state is sent as after any change";
    EXPECT_NE(writeResults[0], kChannelOk);
    EXPECT_EQ(model.Stored().system[mouse::kPointerSpeed], 7) << "and stays though refused";

    fs::remove(profilePath);
    fs::create_directories(profilePath / "inside");
    EXPECT_FALSE(model.StoreAtOnce([](MouseState& s) { s.system[mouse::kPointerSpeed] = 9; }));
    EXPECT_EQ(model.Stored().system[mouse::kPointerSpeed], 7);
    EXPECT_EQ(model.Shown().system[mouse::kPointerSpeed], 7);
    EXPECT_FALSE(model.TakeFromDevice([](MouseState& s) { s.activeStage = 1; }));
    Settle();
}

TEST_F(MouseModelTest, WithoutAnOwnerThreadTheWriteRunsAtOnce) {
    Start(sim::SimKind::Mouse);
    DeviceLink toolLink(devices.Backend());  // a tool: no poster
    MouseModel toolModel(toolLink);
    toolModel.Profile().SetProfilePath(profilePath);
    toolModel.Profile().Load(profilePath);
    toolModel.TakeProfile();
    link.CloseCommand();
    ASSERT_TRUE(toolLink.OpenCommand(VendorPath(sim::SimKind::Mouse), false));
    std::optional<CommitResult> ended;
    toolModel.Apply([](MouseState& s) { s.stages[4].dpiX = 77; },
                    [&ended](CommitResult result) { ended = result; });
    EXPECT_EQ(ended, CommitResult::Stored);
    EXPECT_EQ(Block()[mouse::kStageOffset + 9 * 4 + 2], 77);
    EXPECT_EQ(StoredDpiInFile(4), 77);
}

}  // namespace
}  // namespace kelno::test
