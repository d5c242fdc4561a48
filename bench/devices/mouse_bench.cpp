// Report (not a test): a wired mouse page running an animated mode against
// the emulated mouse (1 ms per report each way), its frames per second and
// the process CPU they cost; then a wireless mouse whose link is down: how
// long the UI thread spends queuing a write, and how long the device worker
// waits before the write fails, with a receiver that answers "not linked"
// and with one that does not answer at all.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "core/program_help.h"
#include "devices/hid/command_report.h"
#include "devices/models/mouse_device.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

using bench::Clock;
using bench::Ms;
using bench::ProcessCpuMs;
constexpr auto kLatency = std::chrono::milliseconds(1);
constexpr auto kMeasure = std::chrono::seconds(5);

struct Bench {
    std::filesystem::path folder;
    std::shared_ptr<sim::SimHidBackend> backend = std::make_shared<sim::SimHidBackend>();
    std::shared_ptr<sim::SimCommandDevice> mouse = sim::MakeSimDevice(sim::SimKind::Mouse);
    std::unique_ptr<CZembravaMouseDevice> page;

    explicit Bench(const std::string& name) {
        folder = std::filesystem::temp_directory_path() /
                 ("kelno-mouse-bench-" + name + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "DefaultData");
        std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "mouse.Json",
                                   folder / "DefaultData" / "mouse.Json",
                                   std::filesystem::copy_options::overwrite_existing);
        backend->AddNode("mouse", mouse);
        page = std::make_unique<CZembravaMouseDevice>(backend);
        page->SetLayoutFile("none");
        page->SetDataFolders(folder / "user", folder / "DefaultData");
    }
    ~Bench() {
        page->StopThreads();
        page.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    bool Open(bool wireless) {
        for (const std::string& path : backend->Paths("mouse"))
            if (path.find("col04") != std::string::npos)
                return page->OpenCommandChannel(path, wireless);
        return false;
    }
};

int BenchAnimatedMouse() {
    Bench bench("frames");
    if (!bench.Open(false)) {
        std::printf("cannot open the emulated mouse\n");
        return 1;
    }
    bench.mouse->SetLatency(kLatency);
    bench.page->InitialSync();
    std::printf("animated wired mouse, %lld ms per report each way, %lld s each\n",
                static_cast<long long>(kLatency.count()),
                static_cast<long long>(kMeasure.count()));
    std::printf("  %-22s %10s %12s\n", "mode, speed", "frames/s", "CPU ms/s");
    struct Case {
        const char* name;
        uint8_t mode;
        uint8_t speed;
    } cases[] = {{"wave, 2", 0, 2}, {"wave, 5", 0, 5}, {"ripple, 3", 5, 3}, {"static", 3, 3}};
    for (const Case& c : cases) {
        LightSetting light = bench.page->Profile().GetLightSetting();
        light[LightSetting::kMode] = c.mode;
        light[LightSetting::kSpeed] = c.speed;
        light[LightSetting::kBrightness] = 4;
        light[LightSetting::kMultiColor] = 1;
        bench.page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settle
        const uint64_t framesBefore = bench.page->LightFramesSent();
        const double cpuBefore = ProcessCpuMs();
        const auto start = Clock::now();
        std::this_thread::sleep_for(kMeasure);
        const double seconds = Ms(Clock::now() - start) / 1e3;
        std::printf("  %-22s %10.1f %12.2f\n", c.name,
                    static_cast<double>(bench.page->LightFramesSent() - framesBefore) / seconds,
                    (ProcessCpuMs() - cpuBefore) / seconds);
    }
    return 0;
}

int BenchSleepingWirelessMouse() {
    std::printf("wireless mouse, link down: one DPI change (settings write)\n");
    std::printf("  %-26s %14s %16s %8s\n", "receiver", "UI thread ms", "write ends, ms", "result");
    struct Case {
        const char* name;
        bool silent;
    } cases[] = {{"answers \"not linked\"", false}, {"does not answer", true}};
    for (const Case& c : cases) {
        Bench bench(c.silent ? "silent" : "down");
        if (!bench.Open(true)) {
            std::printf("cannot open the emulated mouse\n");
            return 1;
        }
        // The UI thread's queue: tasks posted back are run by this thread.
        std::mutex lock;
        std::vector<std::function<void()>> posted;
        bench.page->SetUiTaskPoster([&](std::function<void()> task) {
            std::lock_guard guard(lock);
            posted.push_back(std::move(task));
            return true;
        });
        int result = 0;
        bool ended = false;
        bench.page->SetMainWindow([&](uint32_t message, uintptr_t, intptr_t lParam) {
            if (message != UWM_DEVICE_WRITE_MSG) return;
            result = static_cast<int>(lParam);
            ended = true;
        });
        bench.page->InitialSync();  // read while the link is up
        bench.mouse->SetLinkUp(false);
        if (c.silent) bench.mouse->InjectFault(sim::SimFault::NoAnswer, 1, CMD_LINK_PROBE);

        const auto start = Clock::now();
        bench.page->WriteSettings(0, 0, 1, 1920, 1080);
        const double queued = Ms(Clock::now() - start);
        while (!ended && Clock::now() - start < std::chrono::seconds(30)) {
            std::vector<std::function<void()>> tasks;
            {
                std::lock_guard guard(lock);
                tasks.swap(posted);
            }
            for (auto& task : tasks) task();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::printf("  %-26s %14.3f %16.1f %8d\n", c.name, queued, Ms(Clock::now() - start),
                    result);
    }
    return 0;
}

}  // namespace
}  // namespace kelno

int main(int argc, char** argv) {
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: mouse_bench\n"
                                "Reports a wired mouse page's light frames and their processor\n"
                                "cost, and a sleeping wireless mouse's writes."))
        return 0;
    if (const int failed = kelno::BenchAnimatedMouse()) return failed;
    return kelno::BenchSleepingWirelessMouse();
}
