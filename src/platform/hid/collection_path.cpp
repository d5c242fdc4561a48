#include "platform/hid/collection_path.h"

#include <cstdio>

namespace kelno::hid {

std::string CollectionPathTokens(const DeviceAttributes& attributes, int interfaceNumber,
                                 int collectionNumber) {
    char tokens[64];
    std::snprintf(tokens, sizeof tokens, "#vid_%04x&pid_%04x&mi_%02x", attributes.vendorId,
                  attributes.productId, static_cast<unsigned>(interfaceNumber & 0xFF));
    std::string path = tokens;
    if (collectionNumber > 0) {
        std::snprintf(tokens, sizeof tokens, "&col%02x", static_cast<unsigned>(collectionNumber & 0xFF));
        path += tokens;
    }
    return path;
}

}  // namespace kelno::hid
