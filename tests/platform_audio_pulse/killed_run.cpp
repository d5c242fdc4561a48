// A run of the backend that dies by SIGKILL with the monitor, the
// equaliser and the voice changer on, for the
// cleanup test (libpulse refuses to work in a forked copy of a process
// that used it, so this is a program of its own).
//   killed_run <server>

#include <csignal>

#include "core/program_help.h"
#include "platform/linux/pulse_audio_config_lib.h"

int main(int argc, char** argv) {
    using namespace kelno::audio;
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: killed_run <server>\n"
                                "Turns the headset's monitor, equaliser and voice changer on at the\n"
                                "sound server and waits to be killed (for the cleanup test)."))
        return 0;
    if (argc != 2) return 2;
    PulseAudioConfigLib lib({0x0c45, 0x7654, {}}, argv[1]);
    if (lib.ConfLibInit() != kAudioOk) return 3;
    lib.CreateDeviceList();
    DeviceDescriptor mic;
    if (lib.GetDeviceById(Direction::Capture, 0, mic) != kAudioOk) return 4;
    if (lib.WriteProperty(mic, "AAMuteControl", int32_t{0}, {}) != kAudioOk) return 5;
    if (lib.WriteProperty(mic, "Enable_MAGICVOICE", int32_t{1}, {}) != kAudioOk) return 9;
    DeviceDescriptor sink;
    if (lib.GetDeviceById(Direction::Playback, 0, sink) != kAudioOk) return 6;
    if (lib.WriteProperty(sink, "Enable_EQ_GFX", int32_t{1}, {}) != kAudioOk) return 7;
    raise(SIGKILL);
    return 8;
}
