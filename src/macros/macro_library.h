#pragma once
// A device's macro library on disk: the index "macro.config" listing the
// macros in order (their position is what key assignments and the macro
// image use) and one "<Guid>.mac" file of events per macro. Reading never
// fails: a missing or damaged index is an empty library, a missing or
// damaged macro file a macro without events.

#include <filesystem>
#include <string>
#include <vector>

#include "macros/macro_event.h"

namespace kelno {

// Every macro of a library with its events, for a device's macro image.
struct MacroLibraryContents {
    std::vector<std::vector<MacroEvent>> macros;
    // The files hold more macros or events than a device takes: an image of
    // what was read would play macros cut short, so none is built.
    bool beyondLimits = false;
};

struct MacroIndexEntry {
    std::string name;  // display name, UTF-8
    std::string guid;  // file base name; only a bare name is ever opened

    bool operator==(const MacroIndexEntry&) const = default;
};

class MacroLibrary {
  public:
    explicit MacroLibrary(std::filesystem::path folder, std::string indexFileName = "macro.config");

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path IndexPath() const { return folder_ / indexFileName_; }
    // The macro file of a Guid; empty when the Guid is not a bare name.
    std::filesystem::path MacroPath(const std::string& guid) const;

    // The index in order, at most MacroLimits::kMacrosPerDevice entries.
    std::vector<MacroIndexEntry> ReadIndex() const;
    std::vector<std::string> ReadNames() const;

    // The events of one macro, at most MacroLimits::kEventsPerMacro.
    std::vector<MacroEvent> ReadEvents(const std::string& guid) const;
    // Every macro in index order, with whether the files went beyond the
    // limits (then the contents are only what the limits let through).
    MacroLibraryContents ReadContents() const;

  private:
    std::filesystem::path folder_;
    std::string indexFileName_;
};

}  // namespace kelno
