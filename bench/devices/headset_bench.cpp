// Report (not a test): a headset page running its modes against the
// emulated headset (1 ms per report): frames per second (a frame is twelve
// LED output reports, at most one every 20 ms), the reports the headset
// received per second and the process CPU they cost; then what an audio
// change costs the UI thread against a simulated audio library answering
// after 1 ms per call.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "bench_clock.h"
#include "core/program_help.h"
#include "headset/headset_device.h"
#include "platform/sim/sim_audio_config_lib.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

using bench::Clock;
using bench::Ms;
using bench::ProcessCpuMs;
constexpr auto kLatency = std::chrono::milliseconds(1);
constexpr auto kMeasure = std::chrono::seconds(5);

int BenchHeadset() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelno-headset-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "DefaultData");
    std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "HD.Json",
                               folder / "DefaultData" / "HD.Json",
                               std::filesystem::copy_options::overwrite_existing);
    auto backend = std::make_shared<sim::SimHidBackend>();
    auto headset = sim::MakeSimDevice(sim::SimKind::Headset);
    backend->AddNode("headset", headset);
    auto audio = std::make_shared<sim::SimAudioConfigLib>();
    audio->SetLatency(kLatency);
    auto page = std::make_unique<CZembravaHS6533Device>(backend);
    page->SetLayoutFile("none");
    page->SetDataFolders(folder / "user", folder / "DefaultData");
    page->SetAudioLibrary(audio);
    if (!page->OpenCommandChannel(backend->Paths("headset").at(0))) {
        std::printf("cannot open the emulated headset\n");
        return 1;
    }
    headset->SetLatency(kLatency);
    page->InitialSync();

    std::printf("headset lighting, %lld ms per report, %lld s each\n",
                static_cast<long long>(kLatency.count()), static_cast<long long>(kMeasure.count()));
    std::printf("  %-22s %10s %12s %12s\n", "mode, speed", "frames/s", "reports/s", "CPU ms/s");
    struct Case {
        const char* name;
        uint8_t mode;
        uint8_t speed;
    } cases[] = {{"wave, 2", 0, 2}, {"wave, 5", 0, 5}, {"ring, 3", 6, 3}, {"static", 3, 3}};
    for (const Case& c : cases) {
        LightSetting light = page->Profile().GetLightSetting();
        light[LightSetting::kMode] = c.mode;
        light[LightSetting::kSpeed] = c.speed;
        light[LightSetting::kBrightness] = 4;
        light[LightSetting::kMultiColor] = 1;
        page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settle
        const uint64_t framesBefore = page->LightFramesSent();
        const uint64_t reportsBefore = headset->LedReportCount();
        const double cpuBefore = ProcessCpuMs();
        const auto start = Clock::now();
        std::this_thread::sleep_for(kMeasure);
        const double seconds = Ms(Clock::now() - start) / 1e3;
        std::printf("  %-22s %10.1f %12.1f %12.2f\n", c.name,
                    static_cast<double>(page->LightFramesSent() - framesBefore) / seconds,
                    static_cast<double>(headset->LedReportCount() - reportsBefore) / seconds,
                    (ProcessCpuMs() - cpuBefore) / seconds);
    }

    std::printf("audio changes, %lld ms per audio call\n", static_cast<long long>(kLatency.count()));
    struct AudioCase {
        const char* name;
        bool (*change)(CZembravaHS6533Device&);
    } changes[] = {
        {"microphone volume", [](CZembravaHS6533Device& p) { return p.SetMicVolume(40); }},
        {"equaliser preset", [](CZembravaHS6533Device& p) { return p.ChoosePreset(7); }},
        {"one band", [](CZembravaHS6533Device& p) { return p.SetBand(4, 3); }},
    };
    for (const AudioCase& c : changes) {
        const auto start = Clock::now();
        const bool done = c.change(*page);
        std::printf("  %-22s %8.2f ms on the UI thread (%s)\n", c.name, Ms(Clock::now() - start),
                    done ? "applied" : "refused");
    }
    page->StopThreads();
    page.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}

}  // namespace
}  // namespace kelno

int main(int argc, char** argv) {
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: headset_bench\n"
                                "Reports a headset page's LED frames and their processor cost, and\n"
                                "what an audio change costs the UI thread."))
        return 0;
    return kelno::BenchHeadset();
}
