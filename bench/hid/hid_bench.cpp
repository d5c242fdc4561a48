// Report (not a test): the keyboard connect sequence through the command
// channel against the emulator at 1 ms per report each way, compared with
// the wire limit, and the CPU cost of one detection pass.
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/program_help.h"
#include "devices/detect/device_detector.h"
#include "devices/detect/emulator_catalogue.h"
#include "devices/hid/command_channel.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLatency = std::chrono::milliseconds(1);
constexpr double kPairMs = 2.0;          // one request and its answer at 1 ms each way
constexpr double kFinishPauseMs = 10.0;  // the pause before every FINISH
constexpr int kConnectRuns = 20;
constexpr int kPasses = 2000;

// The sequence; returns false when a step failed.
bool ConnectSequence(CHidCommandChannel& channel) {
    std::array<uint8_t, kDeviceInfoSize> info{};
    std::vector<uint8_t> keyMap(512), keyLeds(512);
    const std::vector<uint8_t> bitmap(21, 0x3F), settings(25, 0x01);
    bool ok = channel.SendStart() == kChannelOk && channel.ReadInfo(info) == kChannelOk &&
              channel.SetDataSize(static_cast<uint16_t>(3 * info[5])) &&
              channel.ReadKeyMap(keyMap) == kChannelOk &&
              channel.ReadKeyLeds(keyLeds) == kChannelOk && channel.SendFinish() == kChannelOk;
    ok = ok && channel.WriteKeyLights(bitmap, 0) == kChannelOk;
    ok = ok && channel.SendStart() == kChannelOk &&
         channel.WriteMemory(settings, 0) == kChannelOk && channel.SendFinish() == kChannelOk;
    return ok;
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

int BenchConnect() {
    auto backend = std::make_shared<sim::SimHidBackend>();
    auto keyboard = sim::MakeSimDevice(sim::SimKind::Keyboard);
    backend->AddNode("keyboard", keyboard);
    CHidCommandChannel channel(backend);
    if (!channel.OpenInterface(backend->Paths("keyboard").at(3))) {
        std::printf("cannot open the emulated keyboard\n");
        return 1;
    }
    keyboard->SetLatency(kLatency);

    std::vector<double> wallMs;
    size_t reports = 0;
    int finishes = 0;
    for (int run = 0; run < kConnectRuns; ++run) {
        keyboard->ClearExchanges();
        const auto start = Clock::now();
        if (!ConnectSequence(channel)) {
            std::printf("connect sequence failed in run %d\n", run);
            return 1;
        }
        wallMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const auto requests = keyboard->CommandRequests();
        reports = requests.size();
        finishes = static_cast<int>(std::count_if(
            requests.begin(), requests.end(), [](const auto& r) { return r[3] == CMD_FINISH; }));
    }
    std::sort(wallMs.begin(), wallMs.end());
    const double median = wallMs[wallMs.size() / 2];
    const double limit = kPairMs * static_cast<double>(reports) + kFinishPauseMs * finishes;
    std::printf("keyboard connect sequence at %lld ms per report each way (%d runs)\n",
                static_cast<long long>(kLatency.count()), kConnectRuns);
    std::printf("  reports (request/answer pairs): %zu, of them FINISH: %d\n", reports, finishes);
    std::printf("  wall time: median %.2f ms, min %.2f ms, max %.2f ms\n", median, wallMs.front(),
                wallMs.back());
    std::printf("  wire limit: %.1f ms; ratio (median / limit): %.3f (target <= 1.5)\n", limit,
                median / limit);
    return 0;
}

class SilentObserver final : public IDeviceListObserver {
  public:
    ArrivalResult OnDeviceArrival(size_t, const std::stop_token&) override {
        return ArrivalResult::Handled;
    }
    void OnDeviceRemoval(size_t, const std::stop_token&) override {}
    void OnFirstPassDone() override {}
};

void BenchPass(const char* name, const Catalogue& catalogue,
               const std::vector<sim::SimKind>& plugged) {
    auto backend = std::make_shared<sim::SimHidBackend>();
    for (sim::SimKind kind : plugged)
        backend->AddNode(std::string(sim::SimKindName(kind)), sim::MakeSimDevice(kind));
    SilentObserver observer;
    DeviceDetector detector(backend, catalogue, observer);
    detector.RunPass();  // claims what is there
    const double cpuStart = ThreadCpuMs();
    for (int i = 0; i < kPasses; ++i) detector.RunPass();
    const double perPassUs = (ThreadCpuMs() - cpuStart) * 1e3 / kPasses;
    std::printf("  %-58s %8.2f us CPU per pass (%zu of %zu slots claimed)\n", name, perPassUs,
                detector.List().Claimed().size(), detector.List().Size());
}

}  // namespace
}  // namespace kelno

int main(int argc, char** argv) {
    using namespace kelno;
    if (PrintHelpIfAsked(argc, argv,
                         "usage: hid_bench\n"
                         "Reports the keyboard connect sequence against the emulator at 1 ms per\n"
                         "report and the processor cost of a detection pass."))
        return 0;
    if (BenchConnect() != 0) return 1;
    std::printf("detection pass (emulated backend, %d passes each)\n", kPasses);
    BenchPass("no device", Catalogue::Shipped(), {});
    BenchPass("keyboard claimed (shipped catalogue: 5 rows stay free)", Catalogue::Shipped(),
              {sim::SimKind::Keyboard});
    BenchPass("all four kinds claimed (emulator catalogue: none free)", EmulatorCatalogue(),
              {sim::SimKind::Keyboard, sim::SimKind::Mouse, sim::SimKind::MousePad,
               sim::SimKind::Headset});
    return 0;
}
