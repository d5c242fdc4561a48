#pragma once
// A fresh folder under the system's temporary folder, removed with its
// content when the object goes away.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kelno::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Writes `content` to a file below the folder (parents created) and
    // returns its path.
    std::filesystem::path WriteFile(std::string_view name, std::string_view content) const;
    std::string ReadFile(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// A clock that always answers the time it was given.
class FixedWallClock final : public WallClock {
public:
    explicit FixedWallClock(LocalTime time) : time_(time) {}
    LocalTime Now() const override { return time_; }
    void Set(LocalTime time) { time_ = time; }

private:
    LocalTime time_;
};

}  // namespace kelno::test
