#pragma once
// A launcher double: records what it was asked to show and answers as told.

#include <filesystem>
#include <vector>

#include "update/installer_launcher.h"

namespace kelno::update::test {

class RecordingLauncher final : public IInstallerLauncher {
  public:
    bool Reveal(const std::filesystem::path& file) override {
        shown.push_back(file);
        return answer;
    }

    std::vector<std::filesystem::path> shown;
    bool answer = true;
};

}  // namespace kelno::update::test
