#include "platform/linux/hidraw_paths.h"

#include <cstdio>

#include "platform/linux/hidraw_sysfs.h"

namespace kelno::hid {

std::string HidrawCollectionPath(const std::filesystem::path& devRoot, const std::string& nodeName,
                                 const DeviceAttributes& attributes, int interfaceNumber,
                                 int collectionNumber) {
    char tokens[64];
    std::snprintf(tokens, sizeof tokens, "#vid_%04x&pid_%04x&mi_%02x", attributes.vendorId,
                  attributes.productId, static_cast<unsigned>(interfaceNumber & 0xFF));
    std::string path = (devRoot / nodeName).string() + tokens;
    if (collectionNumber > 0) {
        std::snprintf(tokens, sizeof tokens, "&col%02x", static_cast<unsigned>(collectionNumber));
        path += tokens;
    }
    return path;
}

std::optional<std::string> HidrawNodeOfPath(const std::filesystem::path& devRoot,
                                            const std::string& path) {
    const size_t hash = path.find('#');
    const std::filesystem::path node(path.substr(0, hash));
    const std::string name = node.filename().string();
    if (!IsHidrawNodeName(name) || node != devRoot / name) return std::nullopt;
    return name;
}

}  // namespace kelno::hid
