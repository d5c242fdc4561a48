#pragma once
// An audio adapter over the emulated headset's audio library, and the
// property calls it made (the log without "init" and "list").

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headset/audio_sdk_adapter.h"
#include "platform/sim/sim_audio_config_lib.h"

namespace kelno::test {

class AudioAdapterTest : public testing::Test {
  protected:
    std::vector<std::string> PropertyCalls() const {
        std::vector<std::string> calls;
        for (const std::string& entry : lib_.Log())
            if (entry != "init" && entry != "list") calls.push_back(entry);
        return calls;
    }

    // Started on the default headset, with the log cleared.
    void StartClean() {
        ASSERT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
        lib_.ClearLog();
    }

    sim::SimAudioConfigLib lib_;
    CAudioSdkAdapter adapter_{&lib_};
};

}  // namespace kelno::test
