#pragma once
// A few named values kept for the user between runs (the chosen language and
// the like): a small JSON file in the config folder. It is created on the
// first write; reading a missing or damaged file gives no values.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelno {

class SettingsStore {
  public:
    explicit SettingsStore(std::filesystem::path file);

    // The store the program uses: <config folder>/settings.json.
    static SettingsStore ForConfigFolder(const std::filesystem::path& configFolder);

    std::optional<int> ReadInt(std::string_view name) const;
    std::optional<std::string> ReadString(std::string_view name) const;

    // Both return false when the file cannot be written; the old file stays.
    // A file that cannot be read is never replaced (false), and one that is
    // damaged, of the wrong shape or holds a value of the other kind under
    // `name` is kept as "settings.json.bak" first.
    bool WriteInt(std::string_view name, int value);
    bool WriteString(std::string_view name, std::string_view value);

    const std::filesystem::path& File() const { return file_; }

  private:
    template <typename T>
    bool Write(std::string_view name, const T& value);

    std::filesystem::path file_;
};

}  // namespace kelno
