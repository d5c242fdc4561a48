#include "app/skin_paths.h"

#include <algorithm>

namespace kelno::app {

std::string SkinFilePath(std::string file) {
    std::replace(file.begin(), file.end(), '\\', '/');
    return file;
}

}  // namespace kelno::app
