// Report (not a test): what the real program costs while nothing happens.
// It starts kelno-driver under a private Xvfb with an emulated keyboard and
// reads /proc over a fixed window: the share of one core and the wake-ups a
// second (context switches of all its threads) with the window shown in a
// still lighting mode, shown with an animated preview (the per-key mode
// with a blinking LED), and hidden to the tray; and the time from starting
// the program to its first paint.
//
//   idle_bench [--settle S] [--window S] [--starts N]
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/json_file.h"
#include "core/program_help.h"
#include "skin_window/automation_client.h"
#include "skin_window/xvfb_display.h"

extern char** environ;

namespace kelno {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Settings {
    int settleSeconds = 10;
    int windowSeconds = 30;
    int starts = 5;
};

// CPU ticks and context switches of every thread of a process.
struct Usage {
    long long ticks = 0;
    long long switches = 0;
};

long long FieldAfterName(const std::string& statusText, const std::string& name) {
    const size_t at = statusText.find(name);
    return at == std::string::npos ? 0 : std::atoll(statusText.c_str() + at + name.size());
}

Usage ReadUsage(pid_t pid) {
    Usage usage;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    // Fields after the command's closing parenthesis: utime and stime are
    // the 12th and 13th there (14th and 15th of the line).
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i >= 12) usage.ticks += std::atoll(field.c_str());
    }
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::ifstream status(task.path() / "status");
        const std::string statusText((std::istreambuf_iterator<char>(status)), {});
        usage.switches += FieldAfterName(statusText, "\nvoluntary_ctxt_switches:") +
                          FieldAfterName(statusText, "\nnonvoluntary_ctxt_switches:");
    }
    return usage;
}

// The running program, its standard error read on a thread of ours so a
// chatty program never blocks on a full pipe.
class Program {
  public:
    Program(const std::string& display, const fs::path& home, const fs::path& automation) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=") ||
                entry.starts_with("XDG_") || entry.starts_with("KELNO_DEBUG="))
                continue;
            env.push_back(entry);
        }
        env.push_back("DISPLAY=" + display);
        env.push_back("GDK_BACKEND=x11");
        env.push_back("KELNO_DEBUG=1");  // for the first-paint line
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            fs::create_directories(home / name);
            fs::permissions(home / name, fs::perms::owner_all);
            env.push_back(std::string(name) + "=" + (home / name).string());
        }
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string automationArg = automation.string();
        std::vector<char*> argv{const_cast<char*>("kelno-driver"), const_cast<char*>("--demo"),
                                const_cast<char*>("--automation"), automationArg.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        started_ = Clock::now();
        if (posix_spawn(&pid_, KELNO_DRIVER, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        reader_ = std::thread([this, fd = pipeFds[0]] { ReadLines(fd); });
    }

    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) reader_.join();
    }

    pid_t Pid() const { return pid_; }

    // Milliseconds from the start to the "first paint" line, once it came.
    // Waits without polling: a bench that wakes a thousand times a second
    // takes the processor from the start it measures.
    std::optional<double> FirstPaintMs(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (!painted_.wait_for(lock, limit, [this] { return firstPaint_.has_value(); }))
            return std::nullopt;
        return std::chrono::duration<double, std::milli>(*firstPaint_ - started_).count();
    }

  private:
    void ReadLines(int fd) {
        std::string pending;
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
            const auto now = Clock::now();
            pending.append(buffer, static_cast<size_t>(n));
            if (pending.find("first paint") != std::string::npos) {
                std::lock_guard lock(mutex_);
                if (!firstPaint_) firstPaint_ = now;
                painted_.notify_all();
            }
            const size_t lastLine = pending.rfind('\n');
            if (lastLine != std::string::npos) pending.erase(0, lastLine + 1);
        }
        close(fd);
    }

    pid_t pid_ = -1;
    Clock::time_point started_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable painted_;
    std::optional<Clock::time_point> firstPaint_;
};

void Measure(const char* what, pid_t pid, const Settings& settings) {
    std::this_thread::sleep_for(std::chrono::seconds(settings.settleSeconds));
    const Usage before = ReadUsage(pid);
    const auto from = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(settings.windowSeconds));
    const Usage after = ReadUsage(pid);
    const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
    const double cpu = 100.0 * static_cast<double>(after.ticks - before.ticks) /
                       static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
    const double wakeUps = static_cast<double>(after.switches - before.switches) / seconds;
    std::printf("  %-34s %6.2f %% of a core   %8.1f wake-ups/s\n", what, cpu, wakeUps);
}

// The per-key mode with a blinking LED in every keyboard profile the
// program wrote: the one preview that moves on the keyboard's page.
void UseAnimatedPreview(const fs::path& dataHome) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(dataHome, error)) {
        if (!entry.is_regular_file() || entry.path().parent_path().filename() != "keyboard")
            continue;
        Json::Value profile = ReadJsonFile(entry.path());
        if (!profile.isObject() || !profile["Device"].isArray()) continue;
        Json::Value& device = profile["Device"][0];
        device["LightInfo"]["SelectItem"] = 22;
        Json::Value blinking;
        blinking["LEDREGMode"] = 2;
        blinking["LEDBrightness"] = 24;
        blinking["red"] = 255;
        device["LightList"] = Json::Value(Json::arrayValue);
        device["LightList"].append(blinking);
        WriteJsonFile(entry.path(), profile);
    }
}

bool WaitForKeyboardPage(const fs::path& automation) {
    skin::test::AutomationClient client;
    return client.Connect(automation.string(), 30s) &&
           client.Ask("wait-visible keyboard_device 30000") == "ok";
}

int Run(const Settings& settings) {
    skin::test::XvfbDisplay display;
    if (!display.Running()) {
        std::printf("no X server: %s\n", display.Reason().c_str());
        return 1;
    }
    char folderTemplate[] = "/tmp/kelno-idle-XXXXXX";
    if (!mkdtemp(folderTemplate)) return 1;
    const fs::path home = folderTemplate;
    const fs::path automation = home / "ui.sock";

    std::printf("KELNO Driver at rest (emulated keyboard; %d s settle, %d s window)\n",
                settings.settleSeconds, settings.windowSeconds);
    std::vector<double> paints;
    for (int i = 0; i < settings.starts; ++i) {
        Program program(display.Name(), home, automation);
        if (const auto ms = program.FirstPaintMs(30s)) paints.push_back(*ms);
    }
    if (!paints.empty()) {
        std::sort(paints.begin(), paints.end());
        std::printf("  %-34s %6.1f ms (median of %zu; %.1f to %.1f)\n", "start to first paint",
                    paints[paints.size() / 2], paints.size(), paints.front(), paints.back());
    }
    {
        Program program(display.Name(), home, automation);
        if (!WaitForKeyboardPage(automation)) {
            std::printf("the keyboard's page did not show\n");
            return 1;
        }
        Measure("shown, still lighting mode", program.Pid(), settings);
        skin::test::AutomationClient client;
        if (client.Connect(automation.string(), 5s) && client.Ask("click closebtn") == "ok")
            Measure("hidden to the tray", program.Pid(), settings);
    }
    UseAnimatedPreview(home / "XDG_DATA_HOME");
    {
        Program program(display.Name(), home, automation);
        if (WaitForKeyboardPage(automation))
            Measure("shown, animated preview", program.Pid(), settings);
    }
    fs::remove_all(home);
    return 0;
}

}  // namespace
}  // namespace kelno

int main(int argc, char** argv) {
    if (kelno::PrintHelpIfAsked(
            argc, argv,
            "usage: idle_bench [--settle S] [--window S] [--starts N]\n"
            "Starts kelno-driver under a private Xvfb with an emulated keyboard and reports\n"
            "the time to its first paint (median of N starts, 5 by default) and what it\n"
            "costs at rest: the share of a core and the wake-ups a second, measured over a\n"
            "window of S seconds (30) after a settling time of S seconds (10)."))
        return 0;
    kelno::Settings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::max(1, std::atoi(argv[i + 1]));
        if (name == "--settle") settings.settleSeconds = value;
        if (name == "--window") settings.windowSeconds = value;
        if (name == "--starts") settings.starts = value;
    }
    return kelno::Run(settings);
}
