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

std::vector<MacroEvent> MacroLibrary::ReadEvents(const std::string& guid) const {
    const std::filesystem::path path = MacroPath(guid);
    if (path.empty()) return {};
    const Json::Value macro = ReadJsonFile(path);
    const Json::Value& list = json::Member(macro, "Events");
    const int count = json::ReadArraySize(macro, "Events", MacroLimits::kEventsPerMacro);
    std::vector<MacroEvent> events;
    for (int i = 0; i < count; ++i) events.push_back(MacroEvent::FromJson(json::Element(list, i)));
    return events;
}

}  // namespace kelno
