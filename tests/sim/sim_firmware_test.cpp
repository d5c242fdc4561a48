// The emulated firmware driven through the real command channel, as the
// device objects will drive it.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <numeric>
#include <thread>

#include "devices/hid/command_channel.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno::sim {
namespace {

using namespace std::chrono_literals;

std::vector<uint8_t> MacroImage(const std::vector<uint16_t>& eventCounts) {
    const size_t count = eventCounts.size();
    size_t total = 16 + 2 * count;
    for (uint16_t events : eventCounts) total += 4 + 4 * size_t{events};
    std::vector<uint8_t> image(total, 0);
    const auto put16 = [&](size_t at, size_t value) {
        image[at] = static_cast<uint8_t>(value & 0xFF);
        image[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    put16(0, 0x55AA);
    put16(2, total);
    put16(4, count);
    size_t at = 16 + 2 * count;
    for (size_t i = 0; i < count; ++i) {
        put16(16 + 2 * i, at);
        put16(at, eventCounts[i]);
        for (size_t e = 0; e < eventCounts[i]; ++e) image[at + 4 + 4 * e + 3] = 0x04;
        at += 4 + 4 * size_t{eventCounts[i]};
    }
    return image;
}

class SimFirmware : public testing::Test {
  protected:
    explicit SimFirmware(SimKind kind = SimKind::Keyboard)
        : backend(std::make_shared<SimHidBackend>()),
          device(MakeSimDevice(kind)),
          channel(backend) {
        const std::string node(SimKindName(kind));
        EXPECT_TRUE(backend->AddNode(node, device));
        const auto paths = backend->Paths(node);
        commandPath = paths.back();
        EXPECT_TRUE(channel.OpenInterface(commandPath));
    }

    std::shared_ptr<SimHidBackend> backend;
    std::shared_ptr<SimCommandDevice> device;
    CHidCommandChannel channel;
    std::string commandPath;
};

TEST_F(SimFirmware, KeyboardConnectSequence) {
    ASSERT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(device->GroupDepth(), 1);
    std::array<uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.ReadInfo(info), kChannelOk);
    EXPECT_EQ(info[5], 126);
    EXPECT_EQ(info[6], 16);
    ASSERT_TRUE(channel.SetDataSize(static_cast<uint16_t>(3 * info[5])));

    std::vector<uint8_t> keyMap(512, 0xEE);
    ASSERT_EQ(channel.ReadKeyMap(keyMap), kChannelOk);
    keyMap.resize(378);
    EXPECT_EQ(keyMap, device->KeyMap());
    std::vector<uint8_t> keyLeds(512);
    ASSERT_EQ(channel.ReadKeyLeds(keyLeds), kChannelOk);
    keyLeds.resize(126);
    EXPECT_EQ(keyLeds, device->KeyLeds());
    ASSERT_EQ(channel.SendFinish(), kChannelOk);
    EXPECT_EQ(device->GroupDepth(), 0);
    EXPECT_EQ(device->Commits(), 1);

    // Device key k carries the code of page key order[k]; the order is a
    // real shuffle, and every key has an LED of its own.
    const auto& order = SimKeyboardDeviceOrder();
    const auto& codes = SimKeyboardPageKeyCodes();
    size_t displaced = 0;
    for (size_t k = 0; k < 126; ++k) {
        EXPECT_TRUE(std::equal(keyMap.begin() + 3 * k, keyMap.begin() + 3 * k + 3,
                               codes.begin() + 3 * order[k]));
        displaced += order[k] != static_cast<int>(k);
    }
    EXPECT_GT(displaced, 100u);
    std::vector<uint8_t> sortedLeds = keyLeds;
    std::sort(sortedLeds.begin(), sortedLeds.end());
    std::vector<uint8_t> all(126);
    std::iota(all.begin(), all.end(), uint8_t{0});
    EXPECT_EQ(sortedLeds, all);
}

TEST_F(SimFirmware, AnAbsurdKeyCountIsRefusedByTheChannel) {
    std::vector<uint8_t> info = device->Info();
    info[5] = 171;  // 513 bytes of key map
    info[6] = 0;    // and no macro memory
    device->SetInfoRecord(info);
    std::array<uint8_t, kDeviceInfoSize> read{};
    ASSERT_EQ(channel.ReadInfo(read), kChannelOk);
    EXPECT_EQ(read[5], 171);
    EXPECT_FALSE(channel.SetDataSize(static_cast<uint16_t>(3 * read[5])));
    EXPECT_EQ(channel.DataSize(), 512);
    EXPECT_EQ(channel.WriteMacros(MacroImage({1})), kChannelStatusError);
}

TEST_F(SimFirmware, SettingsMemoryRoundTrip) {
    std::vector<uint8_t> block(25);
    std::iota(block.begin(), block.end(), uint8_t{0x30});
    ASSERT_EQ(channel.WriteMemory(block, 25), kChannelOk);
    const auto memory = device->Memory();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), memory.begin() + 25));
    std::vector<uint8_t> back(25);
    ASSERT_EQ(channel.ReadMemory(back, 25), kChannelOk);
    EXPECT_EQ(back, block);
    std::vector<uint8_t> active(1, 0xEE);
    ASSERT_EQ(channel.ReadMemory(active, 0), kChannelOk);
    EXPECT_EQ(active[0], 0) << "active profile at byte 0";
    // Past the end of memory the firmware answers 0xFF.
    EXPECT_EQ(channel.WriteMemory(block, kSimSettingsMemorySize - 10), kChannelStatusError);
}

TEST_F(SimFirmware, GroupsNestAndAStrayFinishIsHarmless) {
    EXPECT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(channel.SendFinish(), kChannelOk);
    EXPECT_EQ(device->GroupDepth(), 1);
    EXPECT_EQ(device->Commits(), 0);
    EXPECT_EQ(channel.SendFinish(), kChannelOk);
    EXPECT_EQ(device->Commits(), 1);
    EXPECT_EQ(channel.SendFinish(), kChannelOk);
    EXPECT_EQ(device->GroupDepth(), 0);
    EXPECT_EQ(device->Commits(), 1);
}

TEST_F(SimFirmware, ABadChecksumIsAnsweredWithStatusFF) {
    CommandReport request = BuildCommandReport(CMD_WRITE_MEMORY, 1, 5, std::vector<uint8_t>{0x42});
    request[1] ^= 0x01;
    std::array<uint8_t, 64> answer{};
    ASSERT_EQ(channel.Transact(request, answer), kChannelOk);
    EXPECT_EQ(answer[3], CMD_WRITE_MEMORY);
    EXPECT_EQ(answer[7], 0xFF);
    EXPECT_EQ(device->Memory()[5], 0) << "a corrupted request changes nothing";
}

TEST_F(SimFirmware, MacroArea) {
    struct Case {
        const char* name;
        std::function<std::vector<uint8_t>()> image;
        int result;
        bool valid;
    };
    const Case cases[] = {
        {"three macros of 10, 0 and 5 events",
         [] {
             return MacroImage({10, 0, 5});
         },
         1, true},
        {"just under the capacity",
         [] { return MacroImage({static_cast<uint16_t>((2048 - 16 - 2 - 4) / 4)}); }, 1, true},
        {"bad magic",
         [] {
             auto image = MacroImage({1});
             image[0] = 0x00;
             return image;
         },
         -102, false},
        {"longer than the capacity", [] { return MacroImage({600}); }, -102, false},
        {"offset that skips bytes",
         [] {
             auto image = MacroImage({2, 2});
             image[18] += 4;
             return image;
         },
         -102, false},
        {"event count past the end",
         [] {
             auto image = MacroImage({1});
             image[18] = 9;
             return image;
         },
         -102, false},
        {"total shorter than the header",
         [] {
             auto image = MacroImage({});
             image[2] = 8;
             return image;
         },
         -102, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = c.image();
        EXPECT_EQ(channel.WriteMacros(image), c.result);
        EXPECT_EQ(device->MacroImageValid(), c.valid);
        if (c.valid) {
            EXPECT_EQ(device->MacroArea(), image);
        }
    }
    EXPECT_EQ(MacroImage({10, 0, 5}).size(), 94u);
}

TEST_F(SimFirmware, KeyLightsPowerAndLinkProbe) {
    std::vector<uint8_t> bitmap(21);
    std::iota(bitmap.begin(), bitmap.end(), uint8_t{1});
    ASSERT_EQ(channel.WriteKeyLights(bitmap, 0), kChannelOk);
    EXPECT_EQ(device->KeyLightBitmap(), bitmap);
    const uint8_t one[] = {0x40};
    EXPECT_EQ(channel.WriteKeyLights(one, 20), kChannelOk);
    EXPECT_EQ(device->KeyLightBitmap()[20], 0x40);
    EXPECT_EQ(channel.WriteKeyLights(one, 21), kChannelStatusError);

    std::array<uint8_t, 6> power{};
    ASSERT_EQ(channel.ReadStatus(power, 0), kChannelOk);
    EXPECT_EQ(power[0], 100) << "the level first";
    EXPECT_EQ(power[1], 0) << "then the charging state";
    device->SetPowerStatus({1, 30, 1, 0, 1, 0});
    ASSERT_EQ(channel.ReadStatus(power, 0), kChannelOk);
    EXPECT_EQ(power[1], 30);

    EXPECT_TRUE(channel.ProbeLink());
    device->SetLinkUp(false);
    EXPECT_FALSE(channel.ProbeLink());

    std::vector<uint8_t> frame(378, 7);
    EXPECT_EQ(channel.SendLightFrame(frame), kChannelOk);
    EXPECT_EQ(device->LightFrame(), frame);
}

TEST_F(SimFirmware, KeyMapWriteStaysOnItsPage) {
    ASSERT_TRUE(channel.SetDataSize(378));
    std::vector<uint8_t> map = device->KeyMap();
    map[0] = 0x30;
    ASSERT_EQ(channel.WriteKeyMap(map, 0), kChannelOk);
    EXPECT_EQ(device->KeyMap(), map);
    EXPECT_EQ(channel.WriteKeyMap(map, 1), kChannelBadPage);
    // A key map larger than the device's is refused at the first chunk past it.
    ASSERT_TRUE(channel.SetDataSize(512));
    std::vector<uint8_t> big(512, 0x20);
    EXPECT_EQ(channel.WriteKeyMap(big, 0), kChannelStatusError);
}

// Each fault, what the channel makes of it, and what it sent.
struct FaultCase {
    const char* name;
    SimFault fault;
    unsigned nth;
    uint8_t command;
    int result;
    size_t requests;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class SimFaults : public SimFirmware, public testing::WithParamInterface<FaultCase> {};

TEST_P(SimFaults, WriteMemoryOf170Bytes) {
    const FaultCase& c = GetParam();
    device->InjectFault(c.fault, c.nth, c.command);
    std::vector<uint8_t> data(170, 0x5A);
    EXPECT_EQ(channel.WriteMemory(data, 100), c.result);
    EXPECT_EQ(device->CommandRequests().size(), c.requests);
    // The channel stays usable, except after an unplug.
    if (device->IsPlugged()) {
        EXPECT_EQ(channel.SendStart(), kChannelOk);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimFaults,
    testing::Values(
        FaultCase{"StatusFFOnTheSecondChunk", SimFault::StatusError, 2, CMD_WRITE_MEMORY, -102, 2},
        FaultCase{"StatusFEOnTheFourthChunk", SimFault::StatusRejected, 4, CMD_WRITE_MEMORY, -103,
                  4},
        FaultCase{"WriteFailure", SimFault::WriteFailure, 1, SimCommandDevice::kAnyCommand, -1, 1},
        FaultCase{"StaleAnswerIsReadPast", SimFault::StaleExtraAnswer, 3, CMD_WRITE_MEMORY, 1, 4},
        FaultCase{"UnplugMidTransfer", SimFault::UnplugBeforeAnswer, 2, CMD_WRITE_MEMORY, 0, 2},
        FaultCase{"ShortAnswerIsNoAnswer", SimFault::ShortAnswer, 2, CMD_WRITE_MEMORY, 0, 2},
        FaultCase{"FaultOnAnotherCommandDoesNotFire", SimFault::StatusError, 1, CMD_READ_MEMORY, 1,
                  4}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(SimFirmware, StaleAnswerBeforeAReadKeepsTheRealPayload) {
    device->InjectFault(SimFault::StaleExtraAnswer, 1, CMD_READ_INFO);
    std::array<uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.ReadInfo(info), kChannelOk);
    EXPECT_EQ(info[5], 126);
}

TEST_F(SimFirmware, ReadWhoseAnswersBothMismatchFails) {
    // A stale answer and then a wrong echo: two foreign answers.
    device->InjectFault(SimFault::StaleExtraAnswer, 1, CMD_READ_INFO);
    device->InjectFault(SimFault::WrongEcho, 1, CMD_READ_INFO);
    std::array<uint8_t, kDeviceInfoSize> info{};
    info.fill(0x11);
    EXPECT_EQ(channel.ReadInfo(info), kChannelNoAnswer);
    EXPECT_EQ(info[5], 0x11) << "no foreign payload is taken";
}

TEST_F(SimFirmware, NoAnswerCostsTheTimeOutsAndReturnsZero) {
    device->InjectFault(SimFault::NoAnswer, 1, CMD_START);
    EXPECT_EQ(channel.SendStart(), kChannelNoAnswer);
    EXPECT_EQ(device->GroupDepth(), 1) << "the device acted; only its answer was lost";
    EXPECT_EQ(channel.SendFinish(), kChannelOk);
}

TEST_F(SimFirmware, OpenRefusedIsReportedWithItsReason) {
    channel.CloseInterface();
    backend->RefuseOpen(commandPath, hid::OpenStatus::PermissionDenied);
    EXPECT_FALSE(channel.OpenInterface(commandPath));
    EXPECT_EQ(channel.Record().lastOpenStatus, hid::OpenStatus::PermissionDenied);
    EXPECT_EQ(channel.SendStart(), kChannelNoAnswer);
}

TEST_F(SimFirmware, LatencyStillGivesEveryAnswerToItsRequest) {
    device->SetLatency(1ms);
    std::vector<uint8_t> out(60);
    EXPECT_EQ(channel.ReadMemory(out, 0), kChannelOk);
    EXPECT_EQ(out[2], 24);
}

TEST_F(SimFirmware, LightFramesAndCommandsFromTwoThreadsNeverSwapAnswers) {
    std::vector<uint8_t> pattern(50);
    std::iota(pattern.begin(), pattern.end(), uint8_t{0x80});
    ASSERT_EQ(channel.WriteMemory(pattern, 200), kChannelOk);
    std::atomic<bool> done{false};
    std::atomic<int> lightFailures{0};
    std::thread lighting([&] {
        const std::vector<uint8_t> frame(45, 0x33);
        std::array<uint8_t, 64> answer{};
        while (!done) {
            // Raw light transactions ignore the busy flag, so they really
            // contend with the commands for the interface.
            const CommandReport request = BuildCommandReport(CMD_LIGHT_FRAME, 45, 0, frame);
            if (channel.TransactLight(request, answer) != kChannelOk ||
                answer[3] != CMD_LIGHT_FRAME)
                ++lightFailures;
            // A frame met by a running command is given up whole (busy),
            // never answered with the command's answer.
            const int sent = channel.SendLightFrame(frame);
            if (sent != kChannelOk && sent != kChannelBusy) ++lightFailures;
        }
    });
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> back(50);
        ASSERT_EQ(channel.ReadMemory(back, 200), kChannelOk) << i;
        ASSERT_EQ(back, pattern) << i;
    }
    done = true;
    lighting.join();
    EXPECT_EQ(lightFailures, 0);
}

class SimOtherKinds : public testing::TestWithParam<SimKind> {};

TEST_P(SimOtherKinds, AnswerEveryCommand) {
    auto backend = std::make_shared<SimHidBackend>();
    auto device = MakeSimDevice(GetParam());
    const std::string node(SimKindName(GetParam()));
    ASSERT_TRUE(backend->AddNode(node, device));
    CHidCommandChannel channel(backend);
    ASSERT_TRUE(channel.OpenInterface(backend->Paths(node).back()));
    std::array<uint8_t, kDeviceInfoSize> info{};
    std::vector<uint8_t> buffer(512);
    EXPECT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(channel.ReadInfo(info), kChannelOk);
    EXPECT_EQ(channel.ReadMemory(std::span(buffer).first(71), 0), kChannelOk);
    EXPECT_EQ(channel.WriteMemory(std::span(buffer).first(66), 0), kChannelOk);
    ASSERT_TRUE(channel.SetDataSize(static_cast<uint16_t>(3 * info[5])));
    EXPECT_EQ(channel.ReadKeyMap(buffer), kChannelOk);
    EXPECT_EQ(channel.WriteKeyMap(buffer, 0), kChannelOk);
    EXPECT_EQ(channel.ReadKeyLeds(buffer), kChannelOk);
    EXPECT_EQ(channel.SendLightFrame(std::span(buffer).first(18)), kChannelOk);
    std::array<uint8_t, 6> power{};
    EXPECT_EQ(channel.ReadStatus(power, 0), kChannelOk);
    EXPECT_TRUE(channel.ProbeLink());
    EXPECT_EQ(channel.SendFinish(), kChannelOk);
    // No per-key lights and no macro memory on these: an answer with 0xFF.
    EXPECT_EQ(channel.WriteKeyLights(std::span(buffer).first(21), 0), kChannelStatusError);
    if (GetParam() != SimKind::Mouse) {
        EXPECT_EQ(channel.WriteMacros(MacroImage({1})), kChannelStatusError);
    } else {
        EXPECT_EQ(info[11], 50);
        EXPECT_EQ(info[12] | info[13] << 8, 400);
        EXPECT_EQ(channel.WriteMacros(MacroImage({1})), kChannelOk);
    }
}

TEST(SimHeadsetChannel, LedOutputReportsGoThroughTheChannel) {
    auto backend = std::make_shared<SimHidBackend>();
    auto headset = MakeSimDevice(SimKind::Headset);
    ASSERT_TRUE(backend->AddNode("headset", headset));
    CHidCommandChannel channel(backend);
    std::vector<uint8_t> report(17, 0);
    report[0] = 0xFF;
    report[1] = 0x44;
    report[2] = 0xAF;
    report[8] = 247;
    EXPECT_EQ(channel.SendOutputReport(report), kChannelNoAnswer) << "closed";
    ASSERT_TRUE(channel.OpenInterface(backend->Paths("headset").at(0)));
    EXPECT_EQ(channel.SendOutputReport(report), kChannelOk);
    EXPECT_EQ(channel.SendOutputReport(std::span(report).first(16)), kChannelWriteFailed);
    ASSERT_EQ(headset->LedReports().size(), 1u);
    EXPECT_EQ(headset->LedReports()[0], report);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimOtherKinds,
                         testing::Values(SimKind::Mouse, SimKind::MousePad, SimKind::Headset),
                         [](const testing::TestParamInfo<SimKind>& info) {
                             return std::string(SimKindName(info.param));
                         });

}  // namespace
}  // namespace kelno::sim
