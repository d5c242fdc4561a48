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

}  // namespace kelno::update
