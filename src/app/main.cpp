// The program's entry: private fonts, one instance per session (which sweeps
// what interrupted writes left behind), the skin, the session buses, the main
// window and the GTK main loop; everything is released again in reverse order
// on every way out.

#include <glib-unix.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/app_options.h"
#include "app/main_window.h"
#include "core/atomic_file.h"
#include "core/debug_output.h"
#include "core/paths.h"
#include "core/program_help.h"
#include "devices/detect/device_presence.h"
#include "devices/detect/emulator_catalogue.h"
#include "platform/linux/evdev_scan_codes.h"
#include "platform/linux/hidraw_backend.h"
#include "platform/linux/linux_input_settings.h"
#ifdef KELNO_HAVE_PULSE
#include "platform/linux/pulse_audio_config_lib.h"
#endif
#include "platform/linux/x11_input_capture.h"
#include "platform/session/light_control_bus.h"
#include "platform/session/private_fonts.h"
#include "platform/session/session_bus_address.h"
#include "platform/session/single_instance.h"
#include "platform/sim/sim_control_server.h"
#include "platform/sim/sim_device_set.h"
#include "platform/sim/sim_devices.h"
#include "skin/automation/automation_server.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/host/gtk_window_system.h"
#include "update/curl_http_client.h"
#include "update/installer_launcher.h"
#include "update/update_config.h"

namespace {

using namespace kelno;

// Where requests from other threads and programs go: the main window once it
// exists. A wake-up that comes before it is remembered.
class WindowSlot {
  public:
    void Set(app::CMainWnd* window) {
        std::lock_guard lock(mutex_);
        window_ = window;
        if (window_ && wakePending_) window_->PostWakeUp();
        wakePending_ = false;
    }
    void WakeUp() {
        std::lock_guard lock(mutex_);
        if (window_)
            window_->PostWakeUp();
        else
            wakePending_ = true;
    }
    template <typename F>
    void With(F&& f) {
        std::lock_guard lock(mutex_);
        if (window_) f(*window_);
    }

  private:
    std::mutex mutex_;
    app::CMainWnd* window_ = nullptr;
    bool wakePending_ = false;
};

gboolean OnTerminate(gpointer data) {
    static_cast<WindowSlot*>(data)->With([](app::CMainWnd& window) { window.Exit(); });
    return G_SOURCE_CONTINUE;
}

// The devices the window drives: the real ones through hidraw, or the
// emulator's (`--demo`, or `--demo-if-no-device` when no supported device is
// connected). Fills the window's backend and catalogue; the emulator when
// one is used.
std::shared_ptr<sim::SimDeviceSet> ChooseDevices(const app::AppOptions& options,
                                                 app::MainWindowOptions& windowOptions) {
    std::vector<std::string> demoKinds = options.demoKinds;
    if (options.demoIfNoDevice) {
        auto hidraw = std::make_shared<hid::HidrawBackend>();
        if (AnySupportedDevicePresent(*hidraw, Catalogue::Shipped())) {
            windowOptions.backend = std::move(hidraw);
            return nullptr;
        }
        std::cerr << "kelno-driver: no supported device is connected; showing an emulated "
                     "keyboard as a demo device\n";
        demoKinds = {"keyboard"};
    } else if (!options.demo) {
        windowOptions.backend = std::make_shared<hid::HidrawBackend>();
        return nullptr;
    }
    auto emulator = std::make_shared<sim::SimDeviceSet>();
    for (const std::string& name : demoKinds)
        if (const auto kind = sim::SimKindFromName(name)) emulator->Plug(*kind);
    windowOptions.backend = emulator->Backend();
    windowOptions.catalogue = EmulatorCatalogue();
    windowOptions.demoDevices = true;
    return emulator;
}

// The headset's audio settings: the emulator's in demo mode, the sound
// server's for the real program or with --audio=pulse. The server backend
// looks for the headset of the catalogue in use, by its USB ids.
std::shared_ptr<audio::IAudioConfigLib> ChooseAudio(const app::AppOptions& options,
                                                    const sim::SimDeviceSet* emulator,
                                                    const Catalogue& catalogue) {
    if (emulator && options.audio == app::AudioChoice::Default) return emulator->Audio();
#ifdef KELNO_HAVE_PULSE
    audio::PulseHeadsetMatch headset;
    for (const SupportedDeviceEntry& row : catalogue.SupportedDeviceTable()) {
        if (row.kind == KindCode(DeviceKind::Headset)) {
            headset.vendorId = row.vendorId;
            headset.productId = row.productId;
            break;
        }
    }
    return std::make_shared<audio::PulseAudioConfigLib>(headset);
#else
    (void)catalogue;
    return nullptr;
#endif
}

int Run(const app::AppOptions& options, AppFolders folders) {
    if (!options.dataDir.empty()) folders.userData = options.dataDir;
    const PrivateFonts fonts(folders.programData / "Font", kPrivateFontFiles);

    WindowSlot slot;
    const auto instance = SingleInstance::Acquire(folders.runtime, app::kInstanceIdentity,
                                                  [&slot] { slot.WakeUp(); });
    if (!instance || instance->GetRole() == SingleInstance::Role::Failed) {
        DebugOutput("single instance: the lock cannot be used; running without it");
    } else if (instance->GetRole() == SingleInstance::Role::Second) {
        return 0;  // the first instance shows itself
    } else {
        // Only the one instance may sweep: another one's write could be in
        // progress otherwise.
        for (const auto& folder : {folders.userData, folders.config})
            RemoveLeftoverTempFiles(folder);
    }

    skin::CPaintManagerUI::SetResourcePath((folders.programData / "skin").string() + "/");
    if (!skin::CResourceManager::GetInstance().LoadResource("res.xml")) {
        std::cerr << "kelno-driver: no skin at " << (folders.programData / "skin").string() << "\n";
        skin::CResourceManager::Release();
        return 1;
    }

    app::MainWindowOptions windowOptions;
    const std::shared_ptr<sim::SimDeviceSet> emulator = ChooseDevices(options, windowOptions);
    std::unique_ptr<sim::SimControlServer> controlServer;
    if (!options.simControlSocket.empty()) {
        if (!emulator) {
            std::cerr << "kelno-driver: real devices are in use; " << options.simControlSocket
                      << " is not served\n";
        } else {
            controlServer = std::make_unique<sim::SimControlServer>(emulator);
            if (!controlServer->Start(options.simControlSocket)) {
                std::cerr << "kelno-driver: cannot serve the emulator at "
                          << options.simControlSocket << "\n";
                skin::CResourceManager::Release();
                return 1;
            }
        }
    }
    windowOptions.userData = folders.userData;
    windowOptions.defaultData = folders.programData / "DefaultData";
    windowOptions.configFolder = folders.config;
    windowOptions.trayIconPath =
        (folders.programData / "skin" / "common" / "title" / "logo.png").string();

    skin::GtkWindowSystem windowSystem;
    skin::SetWindowSystem(&windowSystem);
    // Keys are captured for every program on an X display; on another
    // display (a Wayland desktop) only the window's own keys count.
    if (const std::optional<std::string> x11 = skin::GtkWindowSystem::X11DisplayName())
        windowOptions.inputCapture = std::make_shared<input::X11InputCapture>(*x11);
    // The pointer, wheel, double-click and key-repeat settings of the desktop
    // (and of the X server on an X display).
    windowOptions.inputSettings = input_settings::MakeLinuxInputSettings();
    windowOptions.audioLibrary = ChooseAudio(options, emulator.get(), windowOptions.catalogue);
    // Updates are checked when the settings window opens; a download is
    // verified, kept in the cache folder and shown, never run.
    windowOptions.updateServer = update::ChooseUpdateServer(options.updateUrl);
    windowOptions.updateClient = std::make_shared<update::CurlHttpClient>(
        update::CurlClientOptions{.caFile = options.updateCa});
    windowOptions.updateLauncher = std::make_shared<update::DesktopFileRevealer>();
    windowOptions.cacheFolder = folders.cache;
    windowOptions.windowKeyToScan = [](uint32_t hardwareKey,
                                       bool down) -> std::optional<input::KeyInput> {
        // GDK gives X-style key codes on every Linux display.
        const std::optional<input::ScanCode> scan =
            input::ScanCodeOfXKeycode(static_cast<int>(hardwareKey));
        if (!scan) return std::nullopt;
        return input::KeyInput{down, scan->code, scan->extended};
    };

    LightControlBus lightBus(
        DbusSignalConnection::Open(G_BUS_TYPE_SESSION), [&slot](uint32_t wParam, uint32_t lParam) {
            slot.With([&](app::CMainWnd& w) { w.PostLightControlRequest(wParam, lParam); });
        });
    SleepMonitor sleepMonitor(DbusSignalConnection::Open(G_BUS_TYPE_SYSTEM),
                              [&slot](bool suspending) {
                                  slot.With([&](app::CMainWnd& w) { w.PostSleep(suspending); });
                              });
    windowOptions.announceLightControl = [&lightBus](uint32_t wParam, uint32_t lParam) {
        lightBus.Announce(wParam, lParam);
    };

    int result = 0;
    {
        app::CMainWnd window(std::move(windowOptions));
        skin::AutomationServer automation;
        if (!window.CreateMainWindow()) {
            std::cerr << "kelno-driver: " << window.GetBuildError() << "\n";
            result = 1;
        } else if (std::string error; !options.automationSocket.empty() &&
                                      !automation.Start(options.automationSocket, &error)) {
            std::cerr << "kelno-driver: automation: " << error << "\n";
            window.Exit();
            result = 1;
        } else {
            slot.Set(&window);
            const guint term = g_unix_signal_add(SIGTERM, OnTerminate, &slot);
            const guint interrupt = g_unix_signal_add(SIGINT, OnTerminate, &slot);
            window.CenterWindow();
            skin::CWindowWnd::MessageLoop();
            g_source_remove(term);
            g_source_remove(interrupt);
            slot.Set(nullptr);
        }
        automation.Stop();
        window.Shutdown();
    }
    if (controlServer) controlServer->Stop();
    skin::SetWindowSystem(nullptr);
    skin::CResourceManager::Release();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (PrintHelpIfAsked(argc, argv, app::kAppUsage)) return 0;
    const app::ParsedOptions parsed =
        app::ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "kelno-driver: " << parsed.error << "\n";
        return 2;
    }
    for (const std::string& kind : parsed.options->demoKinds) {
        if (!sim::SimKindFromName(kind)) {
            std::cerr << "kelno-driver: unknown device kind " << kind << " in --demo\n";
            return 2;
        }
    }
    // The window is drawn with cairo alone: GDK need not load the GL
    // drivers to choose its visuals, which took most of the start-up time.
    // A user's own setting stands.
    g_setenv("GDK_GL", "disable", FALSE);
    AvoidSessionBusAutolaunch();
    if (!skin::GtkWindowSystem::InitializeGtk(&argc, &argv)) {
        std::cerr << "kelno-driver: cannot open a display\n";
        return 1;
    }
    return Run(*parsed.options, ResolveAppFolders(ProcessEnvironment(), CurrentExecutablePath()));
}
