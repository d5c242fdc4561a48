#include "support/eventually.h"
#include "support/pulse_daemon.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace kelno::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kUsbHeadset =
    "device.bus=usb device.vendor.id=0c45 device.product.id=7654 alsa.card=31";
constexpr const char* kOwnDevice = "device.bus=pci device.vendor.id=8086 device.product.id=7654";

// The value after `key` in the block of `pactl list sources` about `name`.
std::string SourceField(const std::string& listing, const std::string& name,
                        const std::string& key) {
    const size_t block = listing.find("Name: " + name + "\n");
    if (block == std::string::npos) return {};
    const size_t end = listing.find("\nSource #", block);
    const size_t at = listing.find(key, block);
    if (at == std::string::npos || at > end) return {};
    std::istringstream rest(listing.substr(at + key.size()));
    std::string word;
    rest >> word;
    return word;
}

}  // namespace

PulseDaemon::PulseDaemon() {
    const std::string socket = (folder_ / "native").string();
    std::ostringstream script;
    script << "load-module module-null-sink sink_name=" << kHeadsetSink << " sink_properties=\""
           << kUsbHeadset << "\"\n"
           << "load-module module-null-sink sink_name=" << kOwnSpeaker << " sink_properties=\""
           << kOwnDevice
           << "\"\n"
           // A null source takes no properties: the microphones are
           // remapped from one.
           << "load-module module-null-source source_name=kelno_test_raw\n"
           << "load-module module-remap-source master=kelno_test_raw source_name=" << kHeadsetMic
           << " source_properties=\"" << kUsbHeadset << "\"\n"
           << "load-module module-remap-source master=kelno_test_raw source_name=" << kOwnMic
           << " source_properties=\"" << kOwnDevice << "\"\n"
           << "set-default-sink " << kOwnSpeaker << "\n"
           << "set-default-source " << kOwnMic
           << "\n"
           // Last: a daemon that answers has all its devices.
           << "load-module module-native-protocol-unix socket=" << socket << " auth-anonymous=1\n";
    const std::string scriptPath = folder_.WriteFile("daemon.pa", script.str()).string();
    const std::string logPath = (folder_ / "daemon.log").string();
    const std::string home = folder_.Path().string();
    pid_ = fork();
    if (pid_ == 0) {
        const FILE* log = freopen(logPath.c_str(), "w", stderr);
        (void)log;
        dup2(2, 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        execlp("pulseaudio", "pulseaudio", "-n", "-F", scriptPath.c_str(), "--daemonize=no",
               "--exit-idle-time=-1", "--use-pid-file=no", "--disallow-exit",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0) return;
    // Until the daemon answers or has ended.
    Eventually(
        [this] {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            running_ = Pactl("info").status == 0;
            return running_;
        },
        {}, 15s, 100ms);
}

PulseDaemon::~PulseDaemon() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::string PulseDaemon::Reason() const {
    return "the private PulseAudio daemon did not start (is pulseaudio installed? ./dev deps):\n" +
           folder_.ReadFile("daemon.log");
}

std::string PulseDaemon::Server() const {
    return "unix:" + (folder_ / "native").string();
}

CommandRun PulseDaemon::Pactl(const std::string& arguments) const {
    return RunCommand("PULSE_SERVER='" + Server() + "' pactl " + arguments + " 2>&1");
}

std::string PulseDaemon::SourceMute(const std::string& name) const {
    const std::string mute = SourceField(Pactl("list sources").output, name, "Mute:");
    return mute == "yes" ? "1" : mute == "no" ? "0" : "";
}

std::string PulseDaemon::SourceVolume(const std::string& name) const {
    // "Volume: front-left: 19661 / 30% / ..."
    const std::string listing = Pactl("list sources").output;
    const size_t block = listing.find("Name: " + name + "\n");
    if (block == std::string::npos) return {};
    const size_t at = listing.find("\tVolume: ", block);
    if (at == std::string::npos) return {};
    std::istringstream rest(listing.substr(at + 9));
    std::string channel, volume;
    rest >> channel >> volume;
    return volume;
}

std::string PulseDaemon::Modules() const {
    std::istringstream lines(Pactl("list short modules").output);
    std::string result;
    for (std::string line; std::getline(lines, line);) {
        // "<index>\t<name>\t<argument>\t"
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) result += line.substr(tab + 1) + "\n";
    }
    return result;
}

std::string PulseDaemon::Equalisers() const {
    std::istringstream lines(Modules());
    std::string found;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("module-ladspa-sink")) continue;
        std::istringstream words(line);
        std::string word, name, master, controls;
        while (words >> word) {
            if (word.starts_with("sink_name=")) name = word.substr(10);
            if (word.starts_with("sink_master=")) master = word.substr(12);
            if (word.starts_with("control=")) controls = word.substr(8);
        }
        found += name + " " + master + " " + controls + "\n";
    }
    return found;
}

}  // namespace kelno::test
