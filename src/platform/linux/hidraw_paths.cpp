#include "platform/linux/hidraw_paths.h"

#include "platform/hid/collection_path.h"
#include "platform/linux/hidraw_sysfs.h"

namespace kelno::hid {

std::string HidrawCollectionPath(const std::filesystem::path& devRoot, const std::string& nodeName,
                                 const DeviceAttributes& attributes, int interfaceNumber,
                                 int collectionNumber) {
    return (devRoot / nodeName).string() +
           CollectionPathTokens(attributes, interfaceNumber, collectionNumber);
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
