#include <gtest/gtest.h>

#include <array>
#include <span>
#include <sstream>

#include "devices/hid/command_channel.h"
#include "platform/sim/sim_control_server.h"
#include "platform/sim/sim_device_set.h"
#include "support/line_socket_client.h"
#include "support/temp_folder.h"

namespace kelno::sim {
namespace {

// One request line of the protocol and the reply it must get.
struct Step {
    const char* line;
    const char* reply;
};

// Runs the steps in order on one device set.
void ExpectReplies(SimDeviceSet& devices, std::span<const Step> steps) {
    for (const Step& step : steps)
        EXPECT_EQ(devices.HandleCommand(step.line), step.reply) << step.line;
}

TEST(SimDeviceSet, LineProtocol) {
    SimDeviceSet devices;
    const Step steps[] = {
        {"list", "ok"},
        {"", "err empty command"},
        {"launch keyboard", "err unknown command"},
        {"plug toaster", "err unknown kind"},
        {"plug", "err usage: plug <kind>"},
        {"mem keyboard 0 4", "err never plugged"},
        {"notify keyboard 401", "err not plugged"},
        {"plug keyboard", "ok"},
        {"plug headset", "ok"},
        {"list", "ok keyboard headset"},
        {"mem keyboard 0 4", "ok 00 01 18 03"},
        {"  mem   keyboard 0x06 1\r", "ok ff"},
        {"mem keyboard 1020 4", "ok 00 00 00 00"},
        {"mem keyboard 1020 5", "err out of range"},
        {"mem keyboard 18446744073709551615 2", "err out of range"},
        {"mem keyboard -1 2", "err bad number"},
        {"mem keyboard 0 0", "ok"},
        {"mem keyboard 0", "err usage: mem <kind> <offset> <length>"},
        {"notify keyboard 401", "ok"},
        {"notify keyboard 0x50a", "ok"},
        {"notify keyboard 10000", "err bad usage"},
        {"notify keyboard zz", "err bad usage"},
        {"keymap headset", "ok"},
        {"macros keyboard", "ok"},  // nothing received yet
        {"macros", "err usage: macros <kind>"},
        {"unplug keyboard", "ok"},
        {"unplug keyboard", "err not plugged"},
        {"list", "ok headset"},
        {"mem keyboard 0 1", "ok 00"},
    };
    ExpectReplies(devices, steps);

    const std::string keymap = devices.HandleCommand("keymap keyboard");
    EXPECT_EQ(keymap.size(), 3 + 378 * 3 - 1);
    EXPECT_EQ(keymap.substr(0, 3), "ok ");
}

TEST(SimDeviceSet, FaultVerbs) {
    SimDeviceSet devices;
    const Step steps[] = {
        {"fault keyboard timeout", "err never plugged"},
        {"fault", "err usage: fault <kind> <timeout|echo|error|short|none> [count]"},
        {"fault keyboard", "err usage: fault <kind> <timeout|echo|error|short|none> [count]"},
        {"fault keyboard timeout 1 2",
         "err usage: fault <kind> <timeout|echo|error|short|none> [count]"},
        {"fault toaster timeout", "err unknown kind"},
        {"fault keyboard lag", "err unknown fault"},
        {"fault keyboard none 2",
         "err usage: fault <kind> <timeout|echo|error|short|none> [count]"},
        {"plug keyboard", "ok"},
        {"fault keyboard timeout 0", "err bad count"},
        {"fault keyboard timeout -1", "err bad count"},
        {"fault keyboard timeout 1001", "err bad count"},
        {"fault keyboard timeout x", "err bad count"},
        {"fault keyboard timeout", "ok"},
        {"fault keyboard echo 3", "ok"},
        {"fault keyboard error 0x2", "ok"},
        {"fault keyboard short 1000", "ok"},
        {"faults keyboard", "ok 1006"},
        {"fault keyboard none", "ok"},
        {"faults keyboard", "ok 0"},
        {"faults keyboard 1", "err usage: faults <kind>"},
        {"unplug keyboard", "ok"},
        {"fault keyboard error", "ok"},  // armed for when it is back
        {"faults keyboard", "ok 1"},
    };
    ExpectReplies(devices, steps);
}

TEST(SimDeviceSet, MouseVerbs) {
    SimDeviceSet devices;
    const Step steps[] = {
        {"link wmouse down", "err never plugged"},
        {"plug mouse", "ok"},
        {"plug wmouse", "ok"},
        {"list", "ok mouse wmouse"},
        {"link mouse down", "err no wireless link"},
        {"link wmouse sideways", "err usage: link <kind> up|down"},
        {"link wmouse", "err usage: link <kind> up|down"},
        {"link wmouse down", "ok"},
        {"link wmouse up", "ok"},
        {"frame mouse", "ok"},  // none received yet
        {"frame", "err usage: frame <kind>"},
        {"group mouse", "ok 0"},
        {"codes mouse", "ok"},
        {"clear mouse", "ok"},
        {"power mouse 4b 01 00 00 00 00", "ok"},
        {"power mouse 4b0100000000", "ok"},
        {"power mouse 0x4b 01", "ok"},
        {"power mouse 4", "err bad bytes"},
        {"power mouse zz", "err bad bytes"},
        {"power mouse", "err usage: power <kind> <hex bytes>"},
        {"poke mouse 1 03 04", "ok"},
        {"mem mouse 0 3", "ok 00 03 04"},
        {"poke mouse 0x3ff 01", "ok"},
        {"poke mouse 1023 0102", "err out of range"},
        {"poke mouse 1 x", "err bad bytes"},
        {"poke mouse -1 01", "err bad bytes"},
        {"poke mouse 1", "err usage: poke <kind> <offset> <hex bytes>"},
        {"unplug mouse", "ok"},
        {"poke mouse 1 05", "err not plugged"},
        {"mem mouse 1 1", "ok 03"},
    };
    ExpectReplies(devices, steps);
}

// What the mouse verbs show of a host's requests, and what a sleeping
// wireless mouse answers.
TEST(SimDeviceSet, MouseVerbsFollowTheHostsRequests) {
    SimDeviceSet devices;
    ASSERT_TRUE(devices.Plug(SimKind::WirelessMouse));
    CHidCommandChannel channel(devices.Backend());
    const auto paths = devices.Backend()->Paths("wmouse");
    ASSERT_FALSE(paths.empty());
    ASSERT_TRUE(channel.OpenInterface(paths.back()));

    ASSERT_EQ(channel.SendStart(), kChannelOk);
    EXPECT_EQ(devices.HandleCommand("group wmouse"), "ok 1");
    const std::array<uint8_t, 18> frame = {0xFF, 0, 0, 0, 0xFF};
    ASSERT_EQ(channel.SendLightFrame(frame), kChannelOk);
    ASSERT_EQ(channel.SendFinish(), kChannelOk);
    EXPECT_EQ(devices.HandleCommand("group wmouse"), "ok 0");
    EXPECT_EQ(devices.HandleCommand("codes wmouse"), "ok 01 12 02");
    EXPECT_EQ(devices.HandleCommand("frame wmouse").substr(0, 17), "ok ff 00 00 00 ff");
    EXPECT_EQ(devices.HandleCommand("clear wmouse"), "ok");
    EXPECT_EQ(devices.HandleCommand("codes wmouse"), "ok");

    std::array<uint8_t, 6> power{};
    ASSERT_EQ(devices.HandleCommand("power wmouse 23 01 00 00 00 00"), "ok");
    ASSERT_EQ(channel.ReadStatus(power, 0), kChannelOk);
    EXPECT_EQ(power[0], 0x23);
    ASSERT_EQ(channel.ReadStatus(power, 0), kChannelOk);
    EXPECT_EQ(power[0], 0x23) << "every answer from now, not just the next";

    // Asleep: the receiver says so, the mouse answers nothing else.
    ASSERT_EQ(devices.HandleCommand("link wmouse down"), "ok");
    EXPECT_FALSE(channel.ProbeLink());
    std::array<uint8_t, 1> byte{};
    EXPECT_EQ(channel.ReadMemory(byte, 0), kChannelNoAnswer);
    ASSERT_EQ(devices.HandleCommand("link wmouse up"), "ok");
    EXPECT_TRUE(channel.ProbeLink());
    EXPECT_EQ(channel.ReadMemory(byte, 0), kChannelOk);
}

// What an armed fault does to the next requests, seen by a host's channel.
TEST(SimDeviceSet, AFaultHitsTheNextCountRequestsAndNoneClearsIt) {
    SimDeviceSet devices;
    const auto keyboard = devices.Plug(SimKind::Keyboard);
    ASSERT_TRUE(keyboard);
    CHidCommandChannel channel(devices.Backend());
    ASSERT_TRUE(channel.OpenInterface(devices.Backend()->Paths("keyboard").back()));
    std::array<uint8_t, 4> bytes{};

    ASSERT_EQ(devices.HandleCommand("fault keyboard error 2"), "ok");
    EXPECT_NE(channel.ReadMemory(bytes, 0), kChannelOk);
    EXPECT_EQ(devices.HandleCommand("faults keyboard"), "ok 1");
    EXPECT_NE(channel.ReadMemory(bytes, 0), kChannelOk);
    EXPECT_EQ(channel.ReadMemory(bytes, 0), kChannelOk) << "two requests only";

    ASSERT_EQ(devices.HandleCommand("fault keyboard short 5"), "ok");
    ASSERT_EQ(devices.HandleCommand("fault keyboard none"), "ok");
    EXPECT_EQ(channel.ReadMemory(bytes, 0), kChannelOk);
    EXPECT_EQ(bytes[1], keyboard->Memory()[1]);
}

TEST(SimDeviceSet, AudioVerbs) {
    SimDeviceSet devices;
    const Step steps[] = {
        {"audio get capture MuteControl", "ok 0"},
        {"audio set capture MuteControl 1", "ok"},
        {"audio get capture MuteControl", "ok 1"},
        {"audio get playback MuteControl", "err unknown property"},
        {"audio set playback RFX_SHAPE 3", "ok"},  // added
        {"audio get playback RFX_SHAPE", "ok 3"},
        {"audio get capture GetSupportFeature", "ok 131075,0,0,0,4,0,1"},
        {"audio get speaker MuteControl", "err unknown direction"},
        {"audio get capture", "err usage: audio get <playback|capture> <property>"},
        {"audio set capture MuteControl",
         "err usage: audio set <playback|capture> <property> <value>"},
        {"audio set capture MuteControl 1 2",
         "err usage: audio set <playback|capture> <property> <value>"},
        {"audio set capture Mute;Control 1", "err no ';' in names or values"},
        {"audio set capture MuteControl 1;0", "err no ';' in names or values"},
        {"audio fail capture MuteControl peek",
         "err usage: audio fail <playback|capture> <property> <read|write> [count]"},
        {"audio fail capture MuteControl",
         "err usage: audio fail <playback|capture> <property> <read|write> [count]"},
        {"audio fail capture MuteControl read 0", "err bad count"},
        {"audio fail capture MuteControl read 1001", "err bad count"},
        {"audio fail capture MuteControl read x", "err bad count"},
        {"audio fail capture MuteControl read 1 2",
         "err usage: audio fail <playback|capture> <property> <read|write> [count]"},
        {"audio fail capture MuteControl write 1000", "ok"},
        {"audio fail capture AnyName read", "ok"},
        {"audio log", "ok"},
        {"audio log all", "err usage: audio log"},
        {"audio clear now", "err usage: audio clear"},
        {"audio clear", "ok"},
        {"audio", "err usage: audio get|set|fail|log|clear ..."},
        {"audio launch", "err unknown audio command"},
    };
    ExpectReplies(devices, steps);
}

// What the verbs arm and show, seen by a host of the audio library; its
// devices come and go with the headset.
TEST(SimDeviceSet, AudioVerbsDriveTheHeadsetsAudioLibrary) {
    SimDeviceSet devices;
    const auto audio = devices.Audio();
    audio->CreateDeviceList();
    int32_t count = -1;
    ASSERT_EQ(audio->GetDeviceCount(audio::Direction::Capture, count), audio::kAudioOk);
    EXPECT_EQ(count, 0) << "no headset plugged";
    ASSERT_TRUE(devices.Plug(SimKind::Headset));
    audio->CreateDeviceList();
    audio::DeviceDescriptor capture;
    ASSERT_EQ(audio->GetDeviceById(audio::Direction::Capture, 0, capture), audio::kAudioOk);

    ASSERT_EQ(devices.HandleCommand("audio fail capture MuteControl read 2"), "ok");
    std::string answer;
    EXPECT_NE(audio->ReadProperty(capture, "MuteControl", {}, answer), audio::kAudioOk);
    EXPECT_NE(audio->ReadProperty(capture, "MuteControl", {}, answer), audio::kAudioOk);
    EXPECT_EQ(audio->ReadProperty(capture, "MuteControl", {}, answer), audio::kAudioOk);
    const int32_t allChannels[] = {-1};
    ASSERT_EQ(audio->WriteProperty(capture, "VolumeScalarControl", 0.29f, allChannels),
              audio::kAudioOk);
    EXPECT_EQ(devices.HandleCommand("audio get capture VolumeScalarControl"), "ok 0.29");
    EXPECT_EQ(devices.HandleCommand("audio log"),
              "ok list;list;read capture MuteControl;read capture MuteControl;"
              "read capture MuteControl;write capture VolumeScalarControl 0.29 @-1");

    ASSERT_EQ(devices.HandleCommand("audio fail capture MuteControl write 3"), "ok");
    ASSERT_EQ(devices.HandleCommand("audio clear"), "ok");
    EXPECT_EQ(devices.HandleCommand("audio log"), "ok");
    EXPECT_EQ(audio->WriteProperty(capture, "MuteControl", int32_t{1}, {}), audio::kAudioOk)
        << "clear disarms";

    ASSERT_TRUE(devices.Unplug(SimKind::Headset));
    EXPECT_EQ(audio->ReadProperty(capture, "MuteControl", {}, answer), audio::kAudioFailed);
    ASSERT_TRUE(devices.Plug(SimKind::Headset));
    EXPECT_EQ(audio->ReadProperty(capture, "MuteControl", {}, answer), audio::kAudioOk);
    EXPECT_EQ(answer, "1");
}

// A headset LED output report whose fourth byte is `mark`.
std::vector<uint8_t> LedReport(uint8_t mark) {
    std::vector<uint8_t> report(17, 0);
    report[0] = 0xFF;
    report[1] = 0x22;
    report[2] = 0xAA;
    report[3] = mark;
    return report;
}

TEST(SimDeviceSet, LedsShowsTheCountAndTheLastTwelveReports) {
    SimDeviceSet devices;
    const Step before[] = {
        {"leds headset", "err never plugged"},
        {"leds", "err usage: leds <kind>"},
        {"leds headset 1", "err usage: leds <kind>"},
        {"leds toaster", "err unknown kind"},
        {"plug headset", "ok"},
        {"plug mouse", "ok"},
        {"leds headset", "ok 0"},
        {"leds mouse", "ok 0"},
    };
    ExpectReplies(devices, before);

    const auto headset = devices.Device(SimKind::Headset);
    ASSERT_TRUE(headset->HandleSetReport(hid::ReportType::Output, LedReport(1)));
    std::string expectedOne = "ok 1 ff 22 aa 01";
    for (int i = 0; i < 13; ++i) expectedOne += " 00";
    EXPECT_EQ(devices.HandleCommand("leds headset"), expectedOne);

    for (uint8_t mark = 2; mark <= 14; ++mark)
        ASSERT_TRUE(headset->HandleSetReport(hid::ReportType::Output, LedReport(mark)));
    const std::string reply = devices.HandleCommand("leds headset");
    ASSERT_EQ(reply.substr(0, 6), "ok 14 ");
    std::vector<std::string> reports;
    std::stringstream list(reply.substr(6));
    for (std::string report; std::getline(list, report, ';');) reports.push_back(report);
    ASSERT_EQ(reports.size(), 12u);
    EXPECT_EQ(reports.front().substr(0, 12), "ff 22 aa 03 ") << "the oldest two are left out";
    EXPECT_EQ(reports.back().substr(0, 12), "ff 22 aa 0e ");
    EXPECT_EQ(reports.back().size(), 17u * 3 - 1);

    // A long run keeps the latest reports only, and the count of all.
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(headset->HandleSetReport(hid::ReportType::Output, LedReport(0x20)));
    EXPECT_LE(headset->LedReports().size(), 1200u);
    EXPECT_EQ(headset->LedReportCount(), 3014u);
    EXPECT_EQ(devices.HandleCommand("leds headset").substr(0, 8), "ok 3014 ");
}

TEST(SimDeviceSet, ReplugKeepsMemoryAndTheSameNode) {
    SimDeviceSet devices;
    auto keyboard = devices.Plug(SimKind::Keyboard);
    ASSERT_TRUE(keyboard);
    const uint8_t profile[] = {2};
    keyboard->ChangeMemoryOnDevice(0, profile);
    EXPECT_TRUE(devices.Unplug(SimKind::Keyboard));
    EXPECT_TRUE(devices.Backend()->Enumerate()->empty());
    EXPECT_EQ(devices.Plug(SimKind::Keyboard), keyboard);
    EXPECT_EQ(devices.HandleCommand("mem keyboard 0 1"), "ok 02");
    EXPECT_EQ(devices.Backend()->Enumerate()->size(), 4u);
}

using test::LineSocketClient;

TEST(SimControlServer, AnswersEachLineOverTheSocketAndStopsCleanly) {
    test::TempFolder folder;
    const auto socketPath = folder / "sim.sock";
    auto devices = std::make_shared<SimDeviceSet>();
    SimControlServer server(devices);
    ASSERT_TRUE(server.Start(socketPath));
    EXPECT_FALSE(server.Start(socketPath)) << "one server at a time";

    LineSocketClient first(socketPath);
    LineSocketClient second(socketPath);
    ASSERT_TRUE(first.Connected());
    ASSERT_TRUE(second.Connected());
    // Lines may arrive split across sends and several at once.
    ASSERT_TRUE(first.Send("plug mo"));
    ASSERT_TRUE(first.Send("use\nlist\n"));
    EXPECT_EQ(first.ReadLine(), "ok");
    EXPECT_EQ(first.ReadLine(), "ok mouse");
    ASSERT_TRUE(second.Send(std::string(5000, 'x') + "\nlist\n"));
    EXPECT_EQ(second.ReadLine(), "err line too long");
    EXPECT_EQ(second.ReadLine(), "ok mouse");
    EXPECT_TRUE(devices->IsPlugged(SimKind::Mouse));

    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_EQ(first.ReadLine(), std::nullopt) << "closed";
}

// One loop served every client: a client that sent requests and never read
// the replies stalled it, and every other client with it.
TEST(SimControlServer, AClientThatNeverReadsHoldsUpNoOther) {
    test::TempFolder folder;
    const auto socketPath = folder / "sim.sock";
    SimControlServer server(std::make_shared<SimDeviceSet>());
    ASSERT_TRUE(server.Start(socketPath));
    LineSocketClient stuck(socketPath);
    ASSERT_TRUE(stuck.Send("plug keyboard\n"));
    ASSERT_EQ(stuck.ReadLine(), "ok");
    // Each key map reply is over a kilobyte: these fill every buffer.
    std::string requests;
    for (int i = 0; i < 2000; ++i) requests += "keymap keyboard\n";
    ASSERT_TRUE(stuck.Send(requests));
    LineSocketClient other(socketPath);
    EXPECT_EQ(other.Ask("list"), "ok keyboard");
}

TEST(SimControlServer, ReplacesAStaleSocketFile) {
    test::TempFolder folder;
    const auto socketPath = folder / "sim.sock";
    ASSERT_TRUE(test::LeaveStaleSocket(socketPath));
    SimControlServer server(std::make_shared<SimDeviceSet>());
    EXPECT_FALSE(server.Start(folder / std::string(200, 'n'))) << "path too long for a socket";
    ASSERT_TRUE(server.Start(socketPath));
    LineSocketClient client(socketPath);
    ASSERT_TRUE(client.Send("list\n"));
    EXPECT_EQ(client.ReadLine(), "ok");
}

}  // namespace
}  // namespace kelno::sim
