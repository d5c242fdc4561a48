#include "macros/macro_library_writer.h"

#include <algorithm>
#include <optional>

#include "core/ascii_case.h"
#include "core/atomic_file.h"
#include "core/file_backup.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/names.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMacroList = "MacroInfo";

MacroLibraryResult Refused(MacroLibraryStatus status) {
    return {status, -1, {}, {}};
}

bool HasEventList(const Json::Value& macro) {
    return json::Member(macro, "Events").isArray();
}

// The index as a tree to change and write back. A damaged index is kept as
// "<index>.bak" but not replaced: the user's macro list is in there.
class IndexForChange {
  public:
    explicit IndexForChange(const fs::path& path) : path_(path) {
        JsonFileRead read = ReadJsonFileWithStatus(path);
        const Json::Value& list = json::Member(read.value, kMacroList);
        if (read.status == FileReadStatus::Read &&
            (!read.value.isObject() || !(list.isNull() || list.isArray())))
            read.status = FileReadStatus::Damaged;
        if (read.status == FileReadStatus::Damaged)
            refusal_ = KeepBackup(path) ? MacroLibraryStatus::DamagedIndex
                                        : MacroLibraryStatus::UnreadableIndex;
        else if (read.status == FileReadStatus::Unreadable)
            refusal_ = MacroLibraryStatus::UnreadableIndex;
        root_ = read.value.isObject() ? std::move(read.value) : Json::Value(Json::objectValue);
        if (!root_[kMacroList].isArray()) root_[kMacroList] = Json::Value(Json::arrayValue);
    }

    // Why the index must not be changed, if it must not.
    std::optional<MacroLibraryStatus> Refusal() const { return refusal_; }
    Json::Value& List() { return root_[kMacroList]; }
    int Size() const { return static_cast<int>(root_[kMacroList].size()); }
    bool IsFull() const { return Size() >= MacroLimits::kMacrosPerDevice; }
    // Positions beyond the limit are never shown, so they cannot be chosen.
    bool IsValidIndex(int index) const {
        return index >= 0 && index < std::min(Size(), MacroLimits::kMacrosPerDevice);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Json::Value& entry : root_[kMacroList])
            names.push_back(ToWideText(json::ReadString(entry, "MacroName")));
        return names;
    }
    std::vector<MacroIndexEntry> Entries() const {
        std::vector<MacroIndexEntry> entries;
        for (const Json::Value& entry : root_[kMacroList])
            entries.push_back({ToWideText(json::ReadString(entry, "MacroName")),
                               json::ReadString(entry, "Guid")});
        return entries;
    }

    int Append(const std::string& name, const std::string& guid) {
        Json::Value entry(Json::objectValue);
        entry["MacroName"] = ToNarrowText(name);
        entry["Guid"] = guid;
        List().append(entry);
        return Size() - 1;
    }

    bool Write() const { return WriteJsonFile(path_, root_) == 0; }

  private:
    fs::path path_;
    Json::Value root_;
    std::optional<MacroLibraryStatus> refusal_;
};

bool GuidListed(const std::vector<MacroIndexEntry>& entries, const std::string& guid) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const MacroIndexEntry& entry) { return entry.guid == guid; });
}

}  // namespace

bool IsMacroNameTaken(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& taken) { return EqualsNoCase(taken, name); });
}

std::string FirstFreeMacroName(const std::vector<std::string>& names) {
    // At most one candidate per name can be taken, so this ends by names.size() + 1.
    for (size_t n = 1;; ++n) {
        std::string candidate = "macro_" + std::to_string(n);
        if (!IsMacroNameTaken(names, candidate)) return candidate;
    }
}

MacroLibraryWriter::MacroLibraryWriter(fs::path folder, const WallClock& clock)
    : library_(std::move(folder)), clock_(clock) {}

std::string MacroLibraryWriter::NewGuid(const std::vector<MacroIndexEntry>& entries) const {
    return MakeFreeTimestampName(
        [&](const std::string& name) {
            return GuidListed(entries, name) ||
                   IsNameTakenInFolder(library_.Folder(), name, ".mac");
        },
        clock_);
}

MacroLibraryResult MacroLibraryWriter::Create() {
    IndexForChange index(library_.IndexPath());
    if (index.Refusal()) return Refused(*index.Refusal());
    if (index.IsFull()) return Refused(MacroLibraryStatus::Full);
    const std::string name = FirstFreeMacroName(index.Names());
    const std::string guid = NewGuid(index.Entries());
    if (guid.empty()) return Refused(MacroLibraryStatus::WriteFailed);
    const int position = index.Append(name, guid);
    if (!index.Write()) return Refused(MacroLibraryStatus::WriteFailed);
    return {MacroLibraryStatus::Ok, position, name, guid};
}

MacroLibraryResult MacroLibraryWriter::Rename(int position, const std::string& name) {
    if (name.empty()) return Refused(MacroLibraryStatus::EmptyName);
    IndexForChange index(library_.IndexPath());
    if (index.Refusal()) return Refused(*index.Refusal());
    if (!index.IsValidIndex(position)) return Refused(MacroLibraryStatus::NoSuchMacro);
    if (IsMacroNameTaken(index.Names(), name)) return Refused(MacroLibraryStatus::NameTaken);
    Json::Value& entry =
        json::MutableElement(index.List(), static_cast<Json::ArrayIndex>(position));
    json::MutableMember(entry, "MacroName") = ToNarrowText(name);
    if (!index.Write()) return Refused(MacroLibraryStatus::WriteFailed);
    return {MacroLibraryStatus::Ok, position, ToWideText(name), json::ReadString(entry, "Guid")};
}

MacroLibraryResult MacroLibraryWriter::Remove(int position) {
    IndexForChange index(library_.IndexPath());
    if (index.Refusal()) return Refused(*index.Refusal());
    if (!index.IsValidIndex(position)) return Refused(MacroLibraryStatus::NoSuchMacro);
    Json::Value removed;
    index.List().removeIndex(static_cast<Json::ArrayIndex>(position), &removed);
    // The index goes first: a failure must not leave an entry whose file is gone.
    if (!index.Write()) return Refused(MacroLibraryStatus::WriteFailed);
    const std::string guid = json::ReadString(removed, "Guid");
    const fs::path file = library_.MacroPath(guid);
    if (!file.empty() && !GuidListed(index.Entries(), guid)) {
        std::error_code error;
        fs::remove(file, error);
    }
    return {MacroLibraryStatus::Ok, position, ToWideText(json::ReadString(removed, "MacroName")),
            guid};
}

MacroLibraryResult MacroLibraryWriter::Import(const fs::path& source) {
    const TextFileRead read = ReadFileTextWithStatus(source);
    if (read.status == FileReadStatus::Unreadable) return Refused(MacroLibraryStatus::CopyFailed);
    if (read.status != FileReadStatus::Read || !HasEventList(ParseJsonText(read.text)))
        return Refused(MacroLibraryStatus::InvalidFile);

    IndexForChange index(library_.IndexPath());
    if (index.Refusal()) return Refused(*index.Refusal());
    if (index.IsFull()) return Refused(MacroLibraryStatus::Full);
    const std::string name = FirstFreeMacroName(index.Names());
    const std::string guid = NewGuid(index.Entries());
    const fs::path file = library_.MacroPath(guid);
    if (guid.empty() || !WriteFileAtomically(file, read.text).ok)
        return Refused(MacroLibraryStatus::CopyFailed);
    const int position = index.Append(name, guid);
    if (!index.Write()) {
        std::error_code error;
        fs::remove(file, error);
        return Refused(MacroLibraryStatus::WriteFailed);
    }
    return {MacroLibraryStatus::Ok, position, name, guid};
}

MacroLibraryResult MacroLibraryWriter::Export(int position, const fs::path& target) {
    const std::vector<MacroIndexEntry> entries = library_.ReadIndex();
    if (position < 0 || position >= static_cast<int>(entries.size()))
        return Refused(MacroLibraryStatus::NoSuchMacro);
    const MacroIndexEntry& entry = entries[static_cast<size_t>(position)];
    const fs::path file = library_.MacroPath(entry.guid);
    if (file.empty()) return Refused(MacroLibraryStatus::NothingToExport);
    const TextFileRead read = ReadFileTextWithStatus(file);
    if (read.status == FileReadStatus::Missing) return Refused(MacroLibraryStatus::NothingToExport);
    if (read.status != FileReadStatus::Read || target.empty() ||
        !WriteFileAtomically(target, read.text).ok)
        return Refused(MacroLibraryStatus::CopyFailed);
    return {MacroLibraryStatus::Ok, position, entry.name, entry.guid};
}

MacroLibraryResult MacroLibraryWriter::SaveEvents(int position,
                                                  std::span<const MacroEvent> events) {
    const std::vector<MacroIndexEntry> entries = library_.ReadIndex();
    if (position < 0 || position >= static_cast<int>(entries.size()))
        return Refused(MacroLibraryStatus::NoSuchMacro);
    if (events.size() > static_cast<size_t>(MacroLimits::kEventsPerMacro))
        return Refused(MacroLibraryStatus::TooManyEvents);
    const MacroIndexEntry& entry = entries[static_cast<size_t>(position)];
    const fs::path file = library_.MacroPath(entry.guid);
    if (file.empty()) return Refused(MacroLibraryStatus::WriteFailed);

    Json::Value macro(Json::objectValue);
    macro["MacroName"] = ToNarrowText(entry.name);
    macro["Guid"] = entry.guid;
    Json::Value& list = macro["Events"] = Json::Value(Json::arrayValue);
    for (const MacroEvent& event : events) list.append(event.ToJson());
    macro["Version"] = kMacroFileVersion;
    if (WriteJsonFile(file, macro) != 0) return Refused(MacroLibraryStatus::WriteFailed);
    return {MacroLibraryStatus::Ok, position, entry.name, entry.guid};
}

}  // namespace kelno
