#pragma once
// "updatetime.config" in the per-user data folder: the local date of the
// last check that got an answer, as {"updatelasttime": {"value": "Y-M-D"}}
// (no leading zeros); the settings window writes the day it first opens
// when none is stored. The window shows it after "up to date", which only
// an answered check (that writes its own day) leads to.

#include <filesystem>
#include <optional>
#include <string>

#include "core/clock.h"

namespace kelno::update {

inline constexpr const char* kLastCheckFileName = "updatetime.config";

class LastCheckDate {
  public:
    LastCheckDate(std::filesystem::path file, const WallClock& clock)
        : file_(std::move(file)), clock_(clock) {}

    // The stored date; nothing when the file is missing, damaged or holds
    // anything but a date.
    std::optional<std::string> Read() const;
    // Stores today's date. False when the file could not be written.
    bool WriteToday() const;
    // The stored date, writing today's first when none is stored.
    std::string ReadOrWriteToday() const;

  private:
    std::filesystem::path file_;
    const WallClock& clock_;
};

}  // namespace kelno::update
