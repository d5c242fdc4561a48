#pragma once
// The operations that change a device's macro library: create, rename,
// delete, import, export and saving a macro's events. Each reads the index
// file afresh, changes it and writes it at once through the atomic writer,
// and answers with a result the editor can turn into a message; nothing
// here throws.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/clock.h"
#include "macros/macro_event.h"
#include "macros/macro_library.h"

namespace kelno {

enum class MacroLibraryStatus {
    Ok,
    Full,       // the index already holds MacroLimits::kMacrosPerDevice macros
    NameTaken,  // another macro (or this one) already has the name
    EmptyName,
    NoSuchMacro,      // the index has no entry at that position
    UnreadableIndex,  // the index could not be read, or is damaged and could not be
                      // backed up: left as it is
    DamagedIndex,     // the index is damaged: kept as ".bak", and left as it is
    WriteFailed,      // a file could not be written; the library is as before
    CopyFailed,       // import or export could not copy the macro file
    InvalidFile,      // an import source that is not a macro file
    NothingToExport,  // the macro was never saved, so it has no file
    TooManyEvents,    // more than MacroLimits::kEventsPerMacro events
};

struct MacroLibraryResult {
    MacroLibraryStatus status = MacroLibraryStatus::Ok;
    int index = -1;    // the macro's position in the index, when known
    std::string name;  // its display name (create, import, rename)
    std::string guid;  // its identifier (create, import)

    bool Ok() const { return status == MacroLibraryStatus::Ok; }
};

class MacroLibraryWriter {
  public:
    explicit MacroLibraryWriter(std::filesystem::path folder,
                                const WallClock& clock = DefaultWallClock());

    const MacroLibrary& Library() const { return library_; }

    // Appends "macro_N" (the first N whose name no macro has, ignoring
    // case) with a new identifier that no macro and no file in the folder
    // uses. The macro has no file until its events are saved.
    MacroLibraryResult Create();

    // Renames macro `index`. Refused for an empty name and for any name a
    // macro already has, ignoring case, its own included. Only the index
    // changes; the macro file keeps the old name until the next save.
    MacroLibraryResult Rename(int index, const std::string& name);

    // Removes macro `index` from the index and then its file. The file stays
    // when another entry names the same identifier.
    MacroLibraryResult Remove(int index);

    // Adds the macro in `source` (a JSON object with an "Events" array),
    // copied unchanged as the new macro's file before the index names it.
    MacroLibraryResult Import(const std::filesystem::path& source);

    // Copies the saved file of macro `index` unchanged to `target`.
    MacroLibraryResult Export(int index, const std::filesystem::path& target);

    // Writes the macro file of macro `index` from scratch: name and
    // identifier from the index, the events, and the format version.
    MacroLibraryResult SaveEvents(int index, std::span<const MacroEvent> events);

  private:
    std::string NewGuid(const std::vector<MacroIndexEntry>& entries) const;

    MacroLibrary library_;
    const WallClock& clock_;
};

// "macro_1", "macro_2", ...: the first one no name in `names` equals,
// ignoring case.
std::string FirstFreeMacroName(const std::vector<std::string>& names);
bool IsMacroNameTaken(const std::vector<std::string>& names, const std::string& name);

// The format version written into every macro file.
inline constexpr int kMacroFileVersion = 64;

}  // namespace kelno
