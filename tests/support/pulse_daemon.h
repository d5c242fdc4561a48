#pragma once
// A private PulseAudio daemon in a temporary folder, for the audio
// backend's tests: the emulated headset (a null sink and a microphone
// carrying its USB ids, 0c45:7654, on ALSA card 31, a number no real card
// has here) beside the computer's own speaker and microphone, which are
// the defaults and must stay untouched. Asserted on with pactl. Started
// per fixture; a daemon that does not come up is a failure, never a skip.

#include <sys/types.h>

#include <string>

#include "support/command_run.h"
#include "support/temp_folder.h"

namespace kelno::test {

class PulseDaemon {
  public:
    static constexpr const char* kHeadsetSink = "kelno_test_hp";
    static constexpr const char* kHeadsetMic = "kelno_test_mic";
    static constexpr const char* kOwnSpeaker = "kelno_test_speaker";
    static constexpr const char* kOwnMic = "kelno_test_own_mic";

    // Starts it and waits (bounded) until it answers.
    PulseDaemon();
    // Ends it, SIGKILL after a bounded wait.
    ~PulseDaemon();
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    bool Running() const { return running_; }
    // Why it is not running, with its log.
    std::string Reason() const;
    // For PULSE_SERVER and the backend.
    std::string Server() const;
    // `pactl <arguments>` on this daemon, stderr kept.
    CommandRun Pactl(const std::string& arguments) const;
    // "1" / "0" and the volume in units of the norm (65536) of a source
    // (the first channel), as pactl says them; empty when missing.
    std::string SourceMute(const std::string& name) const;
    std::string SourceVolume(const std::string& name) const;
    // The loaded modules' "name<TAB>argument" lines.
    std::string Modules() const;
    // The equaliser filter sinks loaded, "<sink_name> <master> <controls>"
    // a line.
    std::string Equalisers() const;

  private:
    TempFolder folder_;
    pid_t pid_ = -1;
    bool running_ = false;
};

}  // namespace kelno::test
