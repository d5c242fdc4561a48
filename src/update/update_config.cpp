#include "update/update_config.h"

namespace kelno::update {

std::string_view BuiltUpdateUrl() {
    return KELNO_UPDATE_URL;
}

std::string_view BuiltVersionText() {
    return KELNO_VERSION_TEXT;
}

UpdateServer ChooseUpdateServer(std::string_view commandLineUrl) {
    return {std::string(commandLineUrl.empty() ? BuiltUpdateUrl() : commandLineUrl)};
}

std::vector<UpdateTarget> CurrentUpdateTargets(const Catalogue& catalogue,
                                               std::span<const int32_t> tabItemVersions) {
    const uint32_t version = ApplicationVersionNumber(BuiltVersionText()).value_or(0);
    const auto rows = catalogue.firmwareList(tabItemVersions, static_cast<int32_t>(version));
    return MakeUpdateTargets(rows, BuiltVersionText());
}

}  // namespace kelno::update
