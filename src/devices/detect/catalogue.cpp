#include "devices/detect/catalogue.h"

#include <algorithm>

#include "devices/hid/hid_path.h"

namespace kelno {
namespace {

SupportedDeviceEntry Row(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                         uint16_t collectionNumber, DeviceKind kind, uint16_t variant,
                         uint16_t usagePage, uint16_t usage) {
    SupportedDeviceEntry row;
    row.vendorId = vendorId;
    row.productId = productId;
    row.interfaceNumber = interfaceNumber;
    row.collectionNumber = collectionNumber;
    row.kind = KindCode(kind);
    row.variant = variant;
    row.usagePage = usagePage;
    row.usage = usage;
    return row;
}

std::vector<SupportedDeviceEntry> ShippedSupportedDevices() {
    using enum DeviceKind;
    return {
        Row(0x0C45, 0x7650, 1, 4, Keyboard, kPrimaryVariant, 0xFF1C, 0x92),
        Row(0x0C45, 0x7650, 1, 3, Keyboard, kSecondaryVariant, 0x000C, 0x01),
        Row(0, 0, 1, 4, Mouse, kPrimaryVariant, 0xFF1C, 0x92),
        Row(0, 0, 1, 3, Mouse, kSecondaryVariant, 0x000C, 0x01),
        Row(0, 0, 1, 4, MousePad, kPrimaryVariant, 0xFF1C, 0x92),
        Row(0, 0, 1, 3, MousePad, kSecondaryVariant, 0x000C, 0x01),
        Row(0, 0, 3, 0, Headset, kPrimaryVariant, 0x000C, 0x01),
    };
}

std::vector<DeviceKindEntry> ShippedDeviceKinds() {
    const auto row = [](std::string kindName, int32_t lightTableIndex, int32_t vendorId,
                        int32_t productId, DeviceKind kind) {
        return DeviceKindEntry{"XML\\CustomControlXML\\DeviceOption.xml",
                               "tab_header_device",
                               "device_power_switch",
                               std::move(kindName),
                               lightTableIndex,
                               vendorId,
                               productId,
                               KindCode(kind),
                               kPrimaryVariant};
    };
    return {
        row("mouse", 1, 0, 0, DeviceKind::Mouse),
        row("keyboard", 0, 0x0C45, 0x7650, DeviceKind::Keyboard),
        row("MousePad", 2, 0, 0, DeviceKind::MousePad),
        row("HD", 3, 0, 0, DeviceKind::Headset),
    };
}

std::vector<DevicePageEntry> ShippedDevicePages() {
    return {
        {6, 7, 0, -1, "XML\\DeviceXml\\mousedevice.xml", "tovra_light"},
        {126, 126, 0, -1, "XML\\DeviceXml\\keyboarddevice.xml", "tovra_light"},
        {15, 0, 0, -1, "XML\\DeviceXml\\mousepaddevice.xml", "tovra_light"},
        {13, 0, 0, -1, "XML\\DeviceXml\\hs6533device.xml", "tovra_light"},
    };
}

std::vector<FirmwareEntry> ShippedFirmware() {
    return {
        {1, 1, 0, "TOVRA", "QB42M17D", "T46", "T46", ""},
        {1, 1, 0, "TOVRA", "QB42M16D", "T45", "T45", ""},
        {2, 1, 0, "TOVRA", "QB42M09D_1", "R17", "R17", ""},
        {0, 1, 0, "TOVRA", "ALL", "R17_T46_T45", "AP", "V1000.02"},
    };
}

bool SameAddress(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId &&
           a.collectionNumber == b.collectionNumber && a.interfaceNumber == b.interfaceNumber;
}

// Index of the first row keyed by (vendor, product, kind, variant), or -1.
template <typename Row>
int FindByKey(const std::vector<Row>& rows, int vendorId, int productId, int kind, int variant) {
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
            row.variant == variant)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

SupportedDeviceEntry ParseInterfacePath(std::string_view path) {
    SupportedDeviceEntry entry;
    entry.vendorId = ParsePathVendorId(path);
    entry.productId = ParsePathProductId(path);
    entry.interfaceNumber = ParsePathInterfaceNumber(path);
    entry.collectionNumber = ParsePathCollectionNumber(path);
    entry.path = std::string(path);
    return entry;
}

bool sameInterface(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return SameAddress(a, b) && a.kind == b.kind && a.variant == b.variant &&
           a.usagePage == b.usagePage && a.usage == b.usage;
}

Catalogue::Catalogue(std::vector<SupportedDeviceEntry> supportedDevices,
                     std::vector<DeviceKindEntry> deviceKinds,
                     std::vector<DevicePageEntry> devicePages, std::vector<FirmwareEntry> firmware)
    : supported_(std::move(supportedDevices)),
      kinds_(std::move(deviceKinds)),
      pages_(std::move(devicePages)),
      firmware_(std::move(firmware)) {}

const Catalogue& Catalogue::Shipped() {
    static const Catalogue shipped(ShippedSupportedDevices(), ShippedDeviceKinds(),
                                   ShippedDevicePages(), ShippedFirmware());
    return shipped;
}

bool Catalogue::isCandidate(const SupportedDeviceEntry& candidate) const {
    for (const auto& row : supported_)
        if (SameAddress(row, candidate)) return true;
    return false;
}

int Catalogue::matchRow(SupportedDeviceEntry& candidate) const {
    for (size_t i = 0; i < supported_.size(); ++i) {
        const auto& row = supported_[i];
        if (SameAddress(row, candidate) && row.usagePage == candidate.usagePage &&
            row.usage == candidate.usage) {
            candidate.kind = row.kind;
            candidate.variant = row.variant;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int Catalogue::findSupportedRow(int vendorId, int productId, int kind, int variant) const {
    return FindByKey(supported_, vendorId, productId, kind, variant);
}

int Catalogue::findKindRow(int vendorId, int productId, int kind, int variant) const {
    return FindByKey(kinds_, vendorId, productId, kind, variant);
}

std::vector<FirmwareEntry> Catalogue::firmwareList(std::span<const int32_t> tabItemVersions,
                                                   int32_t applicationVersion) const {
    std::vector<FirmwareEntry> rows = firmware_;
    const auto versionOfTab = [&](size_t tab) {
        return tab < tabItemVersions.size() ? tabItemVersions[tab] : 0;
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const int32_t kind = rows[i].updateKind;
        rows[i].currentVersion = 0;
        if (i < kinds_.size() && kinds_[i].kind == kind) {
            rows[i].currentVersion = versionOfTab(i);
            continue;
        }
        // A row that is its kind's only one belongs to that kind's tab,
        // wherever it stands; of two rows of a kind (two keyboard models)
        // only the one in line with the tab can be told to be its model.
        const auto sameKind = [kind](const FirmwareEntry& row) { return row.updateKind == kind; };
        if (kind == 0 || std::count_if(firmware_.begin(), firmware_.end(), sameKind) != 1) continue;
        for (size_t tab = 0; tab < kinds_.size(); ++tab) {
            if (kinds_[tab].kind != kind) continue;
            rows[i].currentVersion = versionOfTab(tab);
            break;
        }
    }
    if (!rows.empty()) rows.back().currentVersion = applicationVersion;
    std::erase_if(rows, [](const FirmwareEntry& row) { return row.currentVersion == 0; });
    return rows;
}

}  // namespace kelno
