// The emulator on a stepped clock: a request the device will never answer
// ends at once as a time-out, the clock moved on by the channel's time-outs
// (a request left unanswered is read for twice); on the system clock the
// same faults end the same way, only in real time.
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "devices/hid/command_channel.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"
#include "support/eventually.h"
#include "support/stepped_time.h"

namespace kelno::sim {
namespace {

using namespace std::chrono_literals;
using test::SteppedTime;

constexpr auto kWired = 1000ms;
constexpr auto kOverTheAir = 5000ms;

// One emulated device and a channel on its command collection, both on `time`.
struct Rig {
    Rig(SimKind kind, SteadyTime& time)
        : backend(std::make_shared<SimHidBackend>(time)),
          device(MakeSimDevice(kind)),
          channel(backend, time) {
        const std::string node(SimKindName(kind));
        EXPECT_TRUE(backend->AddNode(node, device));
        paths = backend->Paths(node);
        EXPECT_TRUE(channel.OpenInterface(paths.back(), kind == SimKind::WirelessMouse));
    }

    std::shared_ptr<SimHidBackend> backend;
    std::shared_ptr<SimCommandDevice> device;
    CHidCommandChannel channel;
    std::vector<std::string> paths;
};

struct SilenceCase {
    const char* name;
    SimKind kind;
    std::function<void(SimCommandDevice&)> setUp;
    std::function<int(CHidCommandChannel&)> run;
    int result;
    std::chrono::milliseconds spent;  // on the stepped clock
};

void PrintTo(const SilenceCase& c, std::ostream* os) {
    *os << c.name;
}

int Start(CHidCommandChannel& channel) {
    return channel.SendStart();
}
int ReadInfo(CHidCommandChannel& channel) {
    std::array<uint8_t, kDeviceInfoSize> info{};
    return channel.ReadInfo(info);
}

const SilenceCase kSilenceCases[] = {
    {"TimeoutFault", SimKind::Keyboard,
     [](SimCommandDevice& d) { d.InjectFault(SimFault::NoAnswer, 1, CMD_START); }, Start,
     kChannelNoAnswer, 2 * kWired},
    {"TimeoutFaultOverTheAir", SimKind::WirelessMouse,
     [](SimCommandDevice& d) { d.InjectFault(SimFault::NoAnswer); }, Start, kChannelNoAnswer,
     2 * kOverTheAir},
    {"LinkDown", SimKind::WirelessMouse, [](SimCommandDevice& d) { d.SetLinkUp(false); },
     [](CHidCommandChannel& ch) {
         std::array<uint8_t, 6> power{};
         return ch.ReadStatus(power, 0);
     },
     kChannelNoAnswer, 2 * kOverTheAir},
    {"LinkDownProbeIsAnsweredByTheReceiver", SimKind::WirelessMouse,
     [](SimCommandDevice& d) { d.SetLinkUp(false); },
     [](CHidCommandChannel& ch) { return ch.ProbeLink() ? 1 : 0; }, 0, 0ms},
    {"WrongEchoThenSilence", SimKind::Keyboard,
     [](SimCommandDevice& d) { d.InjectFault(SimFault::WrongEcho, 1, CMD_READ_INFO); }, ReadInfo,
     kChannelNoAnswer, kWired},
    {"UnpluggedMidTransferIsNoTimeOut", SimKind::Keyboard,
     [](SimCommandDevice& d) { d.InjectFault(SimFault::UnplugBeforeAnswer); }, Start,
     kChannelNoAnswer, 0ms},
    {"UnpluggedBeforeTheRequest", SimKind::Mouse, [](SimCommandDevice& d) { d.SetPlugged(false); },
     Start, kChannelWriteFailed, 0ms},
    {"StatusError", SimKind::Mouse,
     [](SimCommandDevice& d) { d.InjectFault(SimFault::StatusError); }, Start, kChannelStatusError,
     0ms},
    {"LateAnswerIsWaitedFor", SimKind::Keyboard, [](SimCommandDevice& d) { d.SetLatency(2ms); },
     ReadInfo, kChannelOk, 0ms},
    {"NotificationBeforeTheAnswer", SimKind::Headset, [](SimCommandDevice& d) { d.Notify(0x401); },
     Start, kChannelOk, 0ms},
};

std::string CaseName(const testing::TestParamInfo<SilenceCase>& info) {
    return info.param.name;
}

class SimSilenceStepped : public testing::TestWithParam<SilenceCase> {};

TEST_P(SimSilenceStepped, EndsAtOnceWithTheClockMovedOnByTheTimeOuts) {
    const SilenceCase& c = GetParam();
    SteppedTime time;
    Rig rig(c.kind, time);
    c.setUp(*rig.device);
    EXPECT_EQ(c.run(rig.channel), c.result);
    EXPECT_EQ(time.Elapsed(), c.spent);
}

INSTANTIATE_TEST_SUITE_P(Faults, SimSilenceStepped, testing::ValuesIn(kSilenceCases), CaseName);

class SimSilenceSystem : public testing::TestWithParam<SilenceCase> {};

TEST_P(SimSilenceSystem, EndsTheSameWay) {
    const SilenceCase& c = GetParam();
    Rig rig(c.kind, SystemSteadyTime());
    c.setUp(*rig.device);
    EXPECT_EQ(c.run(rig.channel), c.result);
}

// Those that cost at most two wired time-outs: each wireless one would
// cost ten seconds.
std::vector<SilenceCase> QuickCases() {
    std::vector<SilenceCase> quick;
    for (const SilenceCase& c : kSilenceCases)
        if (c.spent <= 2 * kWired) quick.push_back(c);
    return quick;
}

INSTANTIATE_TEST_SUITE_P(Faults, SimSilenceSystem, testing::ValuesIn(QuickCases()), CaseName);

// The backend alone: the read itself moves the clock, by its whole time-out,
// and at once (an hour's wait that really waited would meet the hang guard).
TEST(SimSteppedTime, AReadWithNothingQueuedSpendsItsTimeOutAtOnce) {
    struct Case {
        const char* name;
        std::function<void(SimCommandDevice&)> setUp;
        std::chrono::milliseconds timeout;
        hid::TransferStatus status;
        std::chrono::milliseconds spent;
    };
    const Case cases[] = {
        {"nothing queued", [](SimCommandDevice&) {}, 1h, hid::TransferStatus::TimedOut, 1h},
        {"a report queued", [](SimCommandDevice& d) { d.Notify(0x401); }, 1h,
         hid::TransferStatus::Ok, 0ms},
        {"a poll", [](SimCommandDevice&) {}, 0ms, hid::TransferStatus::TimedOut, 0ms},
        {"unplugged", [](SimCommandDevice& d) { d.SetPlugged(false); }, 1h,
         hid::TransferStatus::Disconnected, 0ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SteppedTime time;
        SimHidBackend backend(time);
        auto device = MakeSimDevice(SimKind::Keyboard);
        ASSERT_TRUE(backend.AddNode("keyboard", device));
        auto notify = backend.Open(backend.Paths("keyboard").at(2)).connection;
        ASSERT_TRUE(notify);
        c.setUp(*device);
        auto status = std::async(std::launch::async, [&] {
            std::vector<uint8_t> buffer(64);
            size_t received = 0;
            return notify->ReadReport(buffer, received, c.timeout);
        });
        if (status.wait_for(test::kHangGuard) != std::future_status::ready) {
            ADD_FAILURE() << "the read waited";
            notify->Close();
        }
        EXPECT_EQ(status.get(), c.status);
        EXPECT_EQ(time.Elapsed(), c.spent);
    }
}

// The notification reader waits without a time-out and so usually holds the
// device; on a stepped clock a command read must still tell for itself that
// nothing is coming, and answers must still reach it.
TEST(SimSteppedTime, ANotificationReaderWaitingWithoutATimeOutHoldsNothingUp) {
    SteppedTime time;
    Rig rig(SimKind::Keyboard, time);
    auto notify = rig.backend->Open(rig.paths.at(2)).connection;
    ASSERT_TRUE(notify);
    auto notified = std::async(std::launch::async, [&] {
        std::vector<uint8_t> buffer(64);
        size_t received = 0;
        const auto status = notify->ReadReport(buffer, received, std::nullopt);
        buffer.resize(received);
        return status == hid::TransferStatus::Ok ? buffer : std::vector<uint8_t>{};
    });
    for (int i = 0; i < 20; ++i) ASSERT_EQ(ReadInfo(rig.channel), kChannelOk) << i;
    EXPECT_EQ(time.Elapsed(), 0ms);

    rig.device->InjectFault(SimFault::NoAnswer, 1, CMD_START);
    EXPECT_EQ(rig.channel.SendStart(), kChannelNoAnswer);
    EXPECT_EQ(time.Elapsed(), 2 * kWired);

    rig.device->PressKey(17);
    ASSERT_EQ(notified.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(notified.get(), (std::vector<uint8_t>{3, 0x11, 0x05}));
}

}  // namespace
}  // namespace kelno::sim
