#include "macros/macro_library.h"

#include "core/json_access.h"
#include "core/json_file.h"
#include "core/names.h"
#include "core/text_codec.h"

namespace kelno {

MacroLibrary::MacroLibrary(std::filesystem::path folder, std::string indexFileName)
    : folder_(std::move(folder)), indexFileName_(std::move(indexFileName)) {}

std::filesystem::path MacroLibrary::MacroPath(const std::string& guid) const {
    if (!IsBareName(guid)) return {};
    return folder_ / (guid + ".mac");
}

std::vector<MacroIndexEntry> MacroLibrary::ReadIndex() const {
    const Json::Value index = ReadJsonFile(IndexPath());
    const Json::Value& list = json::Member(index, "MacroInfo");
    const int count = json::ReadArraySize(index, "MacroInfo", MacroLimits::kMacrosPerDevice);
    std::vector<MacroIndexEntry> entries;
    for (int i = 0; i < count; ++i) {
        const Json::Value& element = json::Element(list, i);
        entries.push_back({ToWideText(json::ReadString(element, "MacroName")),
                           json::ReadString(element, "Guid")});
    }
    return entries;
}

std::vector<std::string> MacroLibrary::ReadNames() const {
    std::vector<std::string> names;
    for (auto& entry : ReadIndex()) names.push_back(std::move(entry.name));
    return names;
}

namespace {

// The length of a file's array member, uncapped (0 when it is no array).
size_t StoredArrayLength(const Json::Value& object, const char* key) {
    const Json::Value& list = json::Member(object, key);
    return list.isArray() ? list.size() : 0;
}

std::vector<MacroEvent> EventsOf(const Json::Value& macro) {
    const Json::Value& list = json::Member(macro, "Events");
    const int count = json::ReadArraySize(macro, "Events", MacroLimits::kEventsPerMacro);
    std::vector<MacroEvent> events;
    for (int i = 0; i < count; ++i) events.push_back(MacroEvent::FromJson(json::Element(list, i)));
    return events;
}

}  // namespace

std::vector<MacroEvent> MacroLibrary::ReadEvents(const std::string& guid) const {
    const std::filesystem::path path = MacroPath(guid);
    if (path.empty()) return {};
    return EventsOf(ReadJsonFile(path));
}

MacroLibraryContents MacroLibrary::ReadContents() const {
    MacroLibraryContents contents;
    contents.beyondLimits = StoredArrayLength(ReadJsonFile(IndexPath()), "MacroInfo") >
                            size_t{MacroLimits::kMacrosPerDevice};
    for (const MacroIndexEntry& entry : ReadIndex()) {
        const std::filesystem::path path = MacroPath(entry.guid);
        const Json::Value macro = path.empty() ? Json::Value() : ReadJsonFile(path);
        if (StoredArrayLength(macro, "Events") > size_t{MacroLimits::kEventsPerMacro})
            contents.beyondLimits = true;
        contents.macros.push_back(EventsOf(macro));
    }
    return contents;
}

}  // namespace kelno
