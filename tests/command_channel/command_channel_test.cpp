#include "devices/hid/command_channel.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <numeric>

#include "core/debug_output.h"
#include "fake_command_device.h"
#include "support/stepped_time.h"

namespace kelno {
namespace {

using test::FakeCommandDevice;

std::vector<uint8_t> Sequence(size_t count, uint8_t first = 1) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

uint16_t OffsetField(const CommandReport& r) {
    return static_cast<uint16_t>(r[5] | r[6] << 8);
}

class ChannelTest : public testing::Test {
  protected:
    ChannelTest() : device(std::make_shared<FakeCommandDevice>()), channel(device->Backend()) {
        EXPECT_TRUE(channel.OpenInterface("/fake#vid_0c45&pid_7650&mi_01&col04"));
    }
    std::shared_ptr<FakeCommandDevice> device;
    CHidCommandChannel channel;
};

TEST(CommandReport, ChecksumCoversBytes3To63Only) {
    const uint8_t payload[] = {0xFF, 0xFF};
    const CommandReport report = BuildCommandReport(CMD_WRITE_MEMORY, 2, 300, payload);
    // 0x06 + 0x02 + 0x2C + 0x01 + 0xFF + 0xFF = 0x233; bytes 0 to 2 excluded.
    EXPECT_EQ(report[0], 0x04);
    EXPECT_EQ(report[1], 0x33);
    EXPECT_EQ(report[2], 0x02);
    EXPECT_EQ(report[5], 0x2C);
    EXPECT_EQ(report[6], 0x01);
    EXPECT_EQ(report[7], 0x00);
    EXPECT_EQ(CommandChecksum(report), 0x233);

    // A payload longer than 56 bytes is cut.
    const auto longPayload = Sequence(80, 0x80);
    const CommandReport cut = BuildCommandReport(CMD_WRITE_MACROS, 56, 0, longPayload);
    EXPECT_EQ(cut[63], longPayload[55]);
}

TEST(CommandReport, StatusResults) {
    const std::pair<uint8_t, int> cases[] = {
        {0x00, 1}, {0x01, 1}, {0xFD, 1}, {0xFE, -103}, {0xFF, -102}};
    for (const auto& [status, result] : cases)
        EXPECT_EQ(StatusResult(status), result) << int(status);
}

TEST(CommandReport, HexLinesUseTheDiagnosticLayout) {
    CommandReport report{};
    std::iota(report.begin(), report.end(), uint8_t{0});
    const auto lines = FormatCommandReport(report);
    EXPECT_EQ(lines[0],
              "00 01 02 03   04 05 06 07   08 09 0a 0b   0c 0d 0e 0f  10 11 12 13  14 15 16 17  "
              "18 19 1a 1b  1c 1d 1e 1f");
    EXPECT_EQ(lines[1],
              "20 21 22 23   24 25 26 27   28 29 2a 2b   2c 2d 2e 2f  30 31 32 33  34 35 36 37  "
              "38 39 3a 3b  3c 3d 3e 3f");
}

// What each operation puts on the wire, report by report.
struct FramingCase {
    const char* name;
    std::function<int(CHidCommandChannel&)> run;
    uint8_t code;
    std::vector<std::pair<uint8_t, uint16_t>> reports;  // length, offset field
    std::vector<uint8_t> written;                       // payload bytes sent, in order
};

void PrintTo(const FramingCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<uint8_t> kData57 = Sequence(57);
const std::vector<uint8_t> kData512 = Sequence(512);
const std::vector<uint8_t> kData21 = Sequence(21, 0xA0);

class ChannelFraming : public ChannelTest, public testing::WithParamInterface<FramingCase> {};

TEST_P(ChannelFraming, SendsTheExpectedReports) {
    const FramingCase& c = GetParam();
    EXPECT_EQ(c.run(channel), kChannelOk);
    const auto written = device->Written();
    ASSERT_EQ(written.size(), c.reports.size());
    std::vector<uint8_t> payload;
    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(i);
        const CommandReport& r = written[i];
        EXPECT_EQ(r[0], 0x04);
        EXPECT_EQ(r[3], c.code);
        EXPECT_EQ(r[4], c.reports[i].first);
        EXPECT_EQ(OffsetField(r), c.reports[i].second);
        EXPECT_EQ(r[7], 0);
        EXPECT_EQ(r[1] | r[2] << 8, CommandChecksum(r));
        const size_t length = c.written.empty() ? 0 : r[4];
        payload.insert(payload.end(), r.begin() + 8, r.begin() + 8 + static_cast<long>(length));
        for (size_t b = 8 + length; b < 64; ++b) EXPECT_EQ(r[b], 0) << "byte " << b;
    }
    EXPECT_EQ(payload, c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ChannelFraming,
    testing::Values(
        FramingCase{"Start", [](auto& ch) { return ch.SendStart(); }, CMD_START, {{0, 0}}, {}},
        FramingCase{"Finish", [](auto& ch) { return ch.SendFinish(); }, CMD_FINISH, {{0, 0}}, {}},
        FramingCase{"ReadInfo34BytesInOneReport",
                    [](auto& ch) {
                        std::array<uint8_t, kDeviceInfoSize> info{};
                        return ch.ReadInfo(info);
                    },
                    CMD_READ_INFO,
                    {{34, 0}},
                    {}},
        FramingCase{"WriteMemoryExactly56IsOneReport",
                    [](auto& ch) { return ch.WriteMemory(std::span(kData57).first(56), 0); },
                    CMD_WRITE_MEMORY,
                    {{56, 0}},
                    Sequence(56)},
        FramingCase{"WriteMemory57IsTwoReports",
                    [](auto& ch) { return ch.WriteMemory(kData57, 0); },
                    CMD_WRITE_MEMORY,
                    {{56, 0}, {1, 56}},
                    kData57},
        FramingCase{"ReadMemoryAddsTheStartToTheOffset",
                    [](auto& ch) {
                        std::vector<uint8_t> out(57);
                        return ch.ReadMemory(out, 300);
                    },
                    CMD_READ_MEMORY,
                    {{56, 300}, {1, 356}},
                    {}},
        FramingCase{"WriteKeyMapOfDataSize512",
                    [](auto& ch) { return ch.WriteKeyMap(kData512, 0); },
                    CMD_WRITE_KEYMAP,
                    {{56, 0},
                     {56, 56},
                     {56, 112},
                     {56, 168},
                     {56, 224},
                     {56, 280},
                     {56, 336},
                     {56, 392},
                     {56, 448},
                     {8, 504}},
                    kData512},
        FramingCase{"ReadKeyMapFollowsDataSize",
                    [](auto& ch) {
                        EXPECT_TRUE(ch.SetDataSize(378));
                        std::vector<uint8_t> out(512);
                        return ch.ReadKeyMap(out);
                    },
                    CMD_READ_KEYMAP,
                    {{56, 0}, {56, 56}, {56, 112}, {56, 168}, {56, 224}, {56, 280}, {42, 336}},
                    {}},
        FramingCase{"ReadKeyLedsIsAThirdOfDataSize",
                    [](auto& ch) {
                        std::vector<uint8_t> out(512);
                        return ch.ReadKeyLeds(out);
                    },
                    CMD_READ_KEY_LEDS,
                    {{56, 0}, {56, 56}, {56, 112}, {2, 168}},
                    {}},
        FramingCase{"WriteKeyLightsIsOneReportAtItsPosition",
                    [](auto& ch) { return ch.WriteKeyLights(kData21, 5); },
                    CMD_WRITE_KEY_LIGHTS,
                    {{21, 5}},
                    kData21},
        FramingCase{"ReadStatus",
                    [](auto& ch) {
                        std::array<uint8_t, 6> out{};
                        return ch.ReadStatus(out, 0x0102);
                    },
                    CMD_READ_STATUS,
                    {{6, 0x0102}},
                    {}},
        FramingCase{"WriteMacros",
                    [](auto& ch) { return ch.WriteMacros(kData57); },
                    CMD_WRITE_MACROS,
                    {{56, 0}, {1, 56}},
                    kData57},
        FramingCase{"LightFrame",
                    [](auto& ch) { return ch.SendLightFrame(kData57); },
                    CMD_LIGHT_FRAME,
                    {{56, 0}, {1, 56}},
                    kData57},
        FramingCase{"EmptyTransferSendsNothing",
                    [](auto& ch) { return ch.WriteMemory(std::span<const uint8_t>(), 7); },
                    CMD_WRITE_MEMORY,
                    {},
                    {}}),
    [](const testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

TEST_F(ChannelTest, ReadsCopyEachChunkToItsPosition) {
    std::vector<uint8_t> out(120, 0xEE);
    ASSERT_EQ(channel.ReadMemory(std::span(out).first(100), 1000), kChannelOk);
    // The fake answers payload byte i of a chunk at offset o with (o + i).
    for (size_t i = 0; i < 100; ++i) EXPECT_EQ(out[i], static_cast<uint8_t>(1000 + i)) << i;
    for (size_t i = 100; i < 120; ++i) EXPECT_EQ(out[i], 0xEE) << "past the request";

    std::array<uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.ReadInfo(info), kChannelOk);
    EXPECT_EQ(info[5], 5);
}

TEST_F(ChannelTest, StatusOnTheKthChunkEndsTheTransfer) {
    struct Case {
        uint8_t status;
        size_t failingChunk;
        int result;
    };
    for (const Case& c :
         {Case{0xFF, 2, -102}, Case{0xFE, 1, -103}, Case{0xFF, 10, -102}, Case{0x80, 3, 1}}) {
        SCOPED_TRACE(c.failingChunk);
        auto fresh = std::make_shared<FakeCommandDevice>();
        CHidCommandChannel ch(fresh->Backend());
        ASSERT_TRUE(ch.OpenInterface("p"));
        size_t seen = 0;
        fresh->SetResponder([&](const CommandReport& request) {
            ++seen;
            return std::vector<CommandReport>{
                FakeCommandDevice::EchoAnswer(request, seen == c.failingChunk ? c.status : 0)};
        });
        EXPECT_EQ(ch.WriteKeyMap(kData512, 0), c.result);
        EXPECT_EQ(fresh->Written().size(), c.result == 1 ? 10u : c.failingChunk);
    }
}

TEST_F(ChannelTest, ReadInfoKeepsTheCallersRecordWhenAChunkFails) {
    device->SetResponder([](const CommandReport& request) {
        CommandReport answer = FakeCommandDevice::EchoAnswer(request, 0xFE);
        answer[8 + 5] = 99;
        return std::vector<CommandReport>{answer};
    });
    std::array<uint8_t, kDeviceInfoSize> info{};
    info.fill(0x11);
    EXPECT_EQ(channel.ReadInfo(info), kChannelStatusRejected);
    EXPECT_EQ(info[5], 0x11);
}

TEST_F(ChannelTest, AStaleAnswerIsReadPastOnce) {
    CommandReport stale{};
    stale[0] = 4;
    stale[3] = CMD_START;
    stale[8] = 0x99;
    device->QueueAnswer(stale);
    std::vector<uint8_t> out(4);
    EXPECT_EQ(channel.ReadMemory(out, 0x40), kChannelOk);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x40, 0x41, 0x42, 0x43}));
    EXPECT_EQ(device->ReadCount(), 2u);
}

TEST_F(ChannelTest, ReportsOfOtherIdsAreNoAnswerAndCostNoAttempt) {
    // Notifications (report id 1) of the same interface arrive before the
    // answer: more than the one stale answer an exchange reads past.
    CommandReport notification{};
    notification[0] = 1;
    notification[1] = 0x01;
    notification[2] = 0x04;
    for (int i = 0; i < 3; ++i) device->QueueAnswer(notification);
    std::vector<uint8_t> out(4);
    EXPECT_EQ(channel.ReadMemory(out, 0x40), kChannelOk);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x40, 0x41, 0x42, 0x43}));

    // A flood of them ends the exchange instead of holding it.
    device->SetResponder([&](const CommandReport&) {
        return std::vector<CommandReport>(40, notification);
    });
    EXPECT_EQ(channel.ReadMemory(out, 0), kChannelNoAnswer);
}

TEST_F(ChannelTest, TwoMismatchedAnswers) {
    // Every answer echoes a foreign command, with a chosen status.
    const auto foreign = [&](uint8_t status) {
        device->SetResponder([status](const CommandReport& request) {
            CommandReport a = FakeCommandDevice::EchoAnswer(request, status);
            a[3] = CMD_LIGHT_FRAME;
            a[8] = 0x77;
            return std::vector<CommandReport>{a, a};
        });
    };
    foreign(0x00);
    std::vector<uint8_t> out(4, 0x11);
    EXPECT_EQ(channel.ReadMemory(out, 0), kChannelNoAnswer)
        << "a read never takes a foreign payload";
    EXPECT_EQ(out, std::vector<uint8_t>(4, 0x11));
    std::array<uint8_t, 6> status{};
    EXPECT_EQ(channel.ReadStatus(status, 0), kChannelNoAnswer);
    EXPECT_FALSE(channel.ProbeLink());

    // For writes, the second answer's status decides.
    EXPECT_EQ(channel.WriteMemory(kData21, 0), kChannelOk);
    foreign(0xFF);
    EXPECT_EQ(channel.WriteMemory(kData21, 0), kChannelStatusError);
    EXPECT_EQ(channel.SendStart(), kChannelStatusError);
}

TEST_F(ChannelTest, NoAnswerIsReadTwiceThenZero) {
    device->SetResponder([](const CommandReport&) { return std::vector<CommandReport>{}; });
    EXPECT_EQ(channel.SendStart(), kChannelNoAnswer);
    EXPECT_EQ(device->ReadCount(), 2u);
    EXPECT_EQ(channel.WriteMemory(kData57, 0), kChannelNoAnswer);
    EXPECT_EQ(device->Written().size(), 2u) << "the transfer ends at the first silent chunk";
}

// The time-out each request spends, read off a stepped clock: the fake's
// reads never wait, so the channel moves its clock on for each read that
// timed out.
TEST(ChannelTimeOuts, EachReadThatTimesOutSpendsItsLanesTimeOut) {
    using std::chrono::milliseconds;
    const auto silent = [](FakeCommandDevice& d) {
        d.SetResponder([](const CommandReport&) { return std::vector<CommandReport>{}; });
    };
    struct Case {
        const char* name;
        bool wireless;
        std::function<void(FakeCommandDevice&)> setUp;
        std::function<int(CHidCommandChannel&)> run;
        int result;
        milliseconds spent;
    };
    const auto start = [](CHidCommandChannel& ch) { return ch.SendStart(); };
    const auto light = [](CHidCommandChannel& ch) {
        std::array<uint8_t, 64> answer{};
        return ch.TransactLight(BuildCommandReport(CMD_LIGHT_FRAME, 0, 0), answer);
    };
    const Case cases[] = {
        {"answered", false, [](FakeCommandDevice&) {}, start, kChannelOk, milliseconds(0)},
        {"silent", false, silent, start, kChannelNoAnswer, milliseconds(2 * 1000)},
        {"silent over the air", true, silent, start, kChannelNoAnswer, milliseconds(2 * 5000)},
        {"light lane over the air", true, silent, light, kChannelNoAnswer, milliseconds(2 * 1000)},
        {"a mismatched answer, then silence", false,
         [](FakeCommandDevice& d) {
             d.SetResponder([](const CommandReport& request) {
                 CommandReport a = FakeCommandDevice::EchoAnswer(request);
                 a[3] = CMD_FINISH;
                 return std::vector<CommandReport>{a};
             });
         },
         [](CHidCommandChannel& ch) {
             std::array<uint8_t, kDeviceInfoSize> info{};
             return ch.ReadInfo(info);
         },
         kChannelNoAnswer, milliseconds(1000)},
        {"write failed", true, [](FakeCommandDevice& d) { d.FailWrites(true); }, start,
         kChannelWriteFailed, milliseconds(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SteppedTime time;
        auto device = std::make_shared<FakeCommandDevice>();
        CHidCommandChannel channel(device->Backend(), time);
        ASSERT_TRUE(channel.OpenInterface("/fake#vid_0c45&pid_7650&mi_01&col04", c.wireless));
        c.setUp(*device);
        EXPECT_EQ(c.run(channel), c.result);
        EXPECT_EQ(time.Elapsed(), c.spent);
    }
}

TEST_F(ChannelTest, WriteFailureReturnsMinusOneBeforeAnyRead) {
    device->FailWrites(true);
    ScopedDebugCapture capture;
    EXPECT_EQ(channel.SendStart(), kChannelWriteFailed);
    EXPECT_EQ(channel.WriteMemory(kData57, 0), kChannelWriteFailed);
    EXPECT_EQ(device->ReadCount(), 0u);
    EXPECT_EQ(device->Written().size(), 2u);
    for (const auto& line : capture.Lines()) EXPECT_NE(line, "返回");
}

TEST_F(ChannelTest, TransactWritesTheDiagnosticLines) {
    ScopedDebugCapture capture;
    const uint8_t request[] = {0x04, 0xAB, 0xCD, CMD_READ_STATUS, 6};
    std::array<uint8_t, 64> answer{};
    size_t count = 99;
    EXPECT_EQ(channel.Transact(request, answer, &count), kChannelOk);
    EXPECT_EQ(count, 64u);
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "命令");
    EXPECT_EQ(lines[1],
              "04 ab cd 1a   06 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
              "00 00 00 00  00 00 00 00");
    EXPECT_EQ(lines[2],
              "00 00 00 00   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
              "00 00 00 00  00 00 00 00");
    EXPECT_EQ(lines[3], "返回");
    EXPECT_EQ(lines[4],
              "04 00 00 1a   06 00 00 00   00 01 02 03   04 05 06 07  08 09 0a 0b  0c 0d 0e 0f  "
              "10 11 12 13  14 15 16 17");
    EXPECT_EQ(lines[5],
              "18 19 1a 1b   1c 1d 1e 1f   20 21 22 23   24 25 26 27  28 29 2a 2b  2c 2d 2e 2f  "
              "30 31 32 33  34 35 36 37");
    // Transact sends what it is given, zero-filled, without a new checksum.
    const CommandReport sent = device->Written().at(0);
    EXPECT_EQ(sent[1], 0xAB);
    EXPECT_EQ(sent[2], 0xCD);
}

TEST_F(ChannelTest, TransactCutsALongRequestAndClearsTheAnswer) {
    const auto request = Sequence(100);
    std::vector<uint8_t> answer(80, 0xEE);
    device->SetResponder([](const CommandReport&) { return std::vector<CommandReport>{}; });
    EXPECT_EQ(channel.Transact(request, answer), kChannelNoAnswer);
    const CommandReport sent = device->Written().at(0);
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), request.begin()));
    EXPECT_EQ(answer, std::vector<uint8_t>(80, 0)) << "a failed read leaves a zero-filled answer";
}

TEST_F(ChannelTest, RefusedArgumentsSendNothing) {
    const auto big = Sequence(57);
    std::vector<uint8_t> out(57);
    EXPECT_EQ(channel.WriteKeyMap(kData512, 1), kChannelBadPage);
    EXPECT_EQ(channel.WriteKeyMap(kData512, -1), kChannelBadPage);
    EXPECT_EQ(channel.WriteKeyLights(big, 0), kChannelNoAnswer);
    EXPECT_EQ(channel.ReadStatus(out, 0), kChannelNoAnswer);
    EXPECT_EQ(channel.WriteKeyMap(std::span(kData512).first(100), 0), kChannelNoAnswer);
    EXPECT_EQ(channel.ReadKeyMap(out), kChannelNoAnswer) << "buffer shorter than dataSize";
    EXPECT_EQ(channel.ReadMemory(out, 0xFFF0), kChannelNoAnswer) << "past the 16-bit offsets";
    EXPECT_TRUE(device->Written().empty());
}

TEST_F(ChannelTest, DataSizeIsBoundedBy512) {
    EXPECT_EQ(channel.DataSize(), 512);
    EXPECT_EQ(channel.ChunkSize(), 56);
    EXPECT_FALSE(channel.SetDataSize(513));
    EXPECT_EQ(channel.DataSize(), 512);
    EXPECT_TRUE(channel.SetDataSize(3 * 126));
    EXPECT_EQ(channel.DataSize(), 378);
    EXPECT_TRUE(channel.SetDataSize(512));
}

TEST(ChannelClosed, EveryCommandReturnsZeroWithoutTouchingTheInterface) {
    auto device = std::make_shared<FakeCommandDevice>();
    CHidCommandChannel channel(device->Backend());
    std::vector<uint8_t> buffer(512);
    std::array<uint8_t, kDeviceInfoSize> info{};
    std::array<uint8_t, 64> answer{};
    const std::function<int()> operations[] = {
        [&] { return channel.SendStart(); },
        [&] { return channel.SendFinish(); },
        [&] { return channel.ReadInfo(info); },
        [&] { return channel.ReadMemory(std::span(buffer).first(25), 0); },
        [&] { return channel.WriteMemory(std::span(buffer).first(25), 0); },
        [&] { return channel.ReadKeyMap(buffer); },
        [&] { return channel.WriteKeyMap(buffer, 0); },
        [&] { return channel.WriteKeyLights(std::span(buffer).first(21), 0); },
        [&] { return channel.SendLightFrame(std::span(buffer).first(45)); },
        [&] { return channel.WriteMacros(std::span(buffer).first(94)); },
        [&] { return channel.ReadStatus(std::span(buffer).first(6), 0); },
        [&] { return channel.ReadKeyLeds(buffer); },
        [&] { return channel.ProbeLink() ? 1 : 0; },
        [&] { return channel.Transact(buffer, answer); },
        [&] { return channel.TransactLight(buffer, answer); },
    };
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < std::size(operations); ++i) EXPECT_EQ(operations[i](), 0) << i;
        ASSERT_TRUE(channel.OpenInterface("p"));
        channel.CloseInterface();
    }
    EXPECT_TRUE(device->Written().empty());
    EXPECT_EQ(device->ReadCount(), 0u);
}

TEST_F(ChannelTest, LightFrameDuringAFullTransactionIsGivenUpAndSaysSo) {
    std::promise<int> lightResult;
    ScopedDebugCapture capture;
    device->SetWriteHook([&](const CommandReport& request) {
        if (request[3] != CMD_READ_MEMORY) return;
        // Runs while the command holds the interface: the frame must give
        // up its chunks instead of waiting or taking the answer.
        auto frame =
            std::async(std::launch::async, [&] { return channel.SendLightFrame(kData21); });
        lightResult.set_value(frame.get());
    });
    std::vector<uint8_t> out(8);
    EXPECT_EQ(channel.ReadMemory(out, 0), kChannelOk);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(lightResult.get_future().get(), kChannelBusy) << "not sent, so not reported sent";
    EXPECT_EQ(device->Written().size(), 1u);
    const auto lines = capture.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "放弃灯光数据"), lines.end());
}

TEST_F(ChannelTest, LightFrames) {
    // No diagnostics, status mapped, echo checked like commands.
    ScopedDebugCapture capture;
    EXPECT_EQ(channel.SendLightFrame(kData57), kChannelOk);
    EXPECT_TRUE(capture.Lines().empty());

    device->SetResponder([](const CommandReport& request) {
        return std::vector<CommandReport>{FakeCommandDevice::EchoAnswer(request, 0xFF)};
    });
    EXPECT_EQ(channel.SendLightFrame(kData57), kChannelStatusError);

    const size_t before = device->Written().size();
    channel.SetWireless(true);
    EXPECT_EQ(channel.SendLightFrame(kData57), kChannelNoAnswer);
    EXPECT_EQ(device->Written().size(), before) << "a wireless device gets no light frames";
}

TEST_F(ChannelTest, ProbeLinkNeedsFFInTheFirstPayloadByte) {
    const std::pair<uint8_t, uint8_t> cases[] = {{0xFF, 0}, {0x00, 0}, {0xFF, 0xFE}};
    const bool expected[] = {true, false, false};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const uint8_t payload = cases[i].first;
        const uint8_t status = cases[i].second;
        device->SetResponder([payload, status](const CommandReport& request) {
            CommandReport a = FakeCommandDevice::EchoAnswer(request, status);
            a[8] = payload;
            return std::vector<CommandReport>{a};
        });
        EXPECT_EQ(channel.ProbeLink(), expected[i]) << i;
    }
}

TEST_F(ChannelTest, ReopeningUsesTheNewPath) {
    channel.CloseInterface();
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.SendStart(), kChannelNoAnswer);
    EXPECT_TRUE(channel.OpenInterface("/fake#vid_0c45&pid_7650&mi_01&col04", true));
    EXPECT_TRUE(channel.IsWireless());
    EXPECT_EQ(channel.Record().devicePath, "/fake#vid_0c45&pid_7650&mi_01&col04");
    EXPECT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(device->Opens(), 2);
}

}  // namespace
}  // namespace kelno
