#pragma once
// The built-in catalogue: which HID top-level collections the program
// accepts, which page each device kind gets, and which firmware images the
// update check knows. The tables are constant; the device list (detection)
// starts as a copy of the supported-interface table. Tests swap in their own
// tables through a Catalogue object.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelno {

// Device kind codes as stored in the tables.
enum class DeviceKind : uint16_t {
    Keyboard = 1,
    Mouse = 2,
    MousePad = 3,
    HeadsetIcons = 4,   // icon set only, no catalogue row
    Hub = 5,            // icon set only, no catalogue row
    WirelessMouse = 6,  // handled as a mouse wherever kinds are dispatched
    Headset = 7,
};

constexpr uint16_t KindCode(DeviceKind kind) {
    return static_cast<uint16_t>(kind);
}

// The kind a page and its panels treat a device as: a wireless mouse is a mouse.
constexpr int EffectiveKind(int kind) {
    return kind == KindCode(DeviceKind::WirelessMouse) ? KindCode(DeviceKind::Mouse) : kind;
}

// `variant` of the primary (vendor-defined, commanded) interface of a product
// and of its secondary (consumer-control) interface.
inline constexpr uint16_t kPrimaryVariant = 0;
inline constexpr uint16_t kSecondaryVariant = 0xFF;

// One accepted HID top-level collection. `connected` and `path` are filled
// in at run time in the device list only.
struct SupportedDeviceEntry {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;
    uint16_t kind = 0;
    uint16_t variant = 0;
    uint16_t connected = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t linked = 0;
    uint16_t linkedIndex = 0;
    std::string path;

    bool operator==(const SupportedDeviceEntry&) const = default;
};

struct DeviceKindEntry {
    std::string optionLayoutXml;
    std::string tabGroup;
    std::string powerSwitchName;
    std::string kindName;
    int32_t lightTableIndex = 0;
    int32_t vendorId = 0;
    int32_t productId = 0;
    int32_t kind = 0;
    int32_t variant = 0;
};

struct DevicePageEntry {
    int32_t primaryCount = 0;
    int32_t secondaryCount = 0;
    int32_t showPowerIndicator = 0;
    int32_t previewKeyIndex = -1;
    std::string pageXml;
    std::string lightConfigName;
};

struct FirmwareEntry {
    int32_t updateKind = 0;
    int32_t updateFlag = 0;
    int32_t currentVersion = 0;
    std::string vendorName;
    std::string imageName;
    std::string modelName;
    std::string modelGroup;
    std::string versionText;

    bool operator==(const FirmwareEntry&) const = default;
};

// The numbers an interface path carries, as a candidate entry whose `path`
// is the path (other fields 0).
SupportedDeviceEntry ParseInterfacePath(std::string_view path);

// Equality over the identifying fields; `connected`, `linked`,
// `linkedIndex` and `path` are ignored.
bool sameInterface(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b);

class Catalogue {
  public:
    Catalogue(std::vector<SupportedDeviceEntry> supportedDevices,
              std::vector<DeviceKindEntry> deviceKinds, std::vector<DevicePageEntry> devicePages,
              std::vector<FirmwareEntry> firmware);

    // The tables built into the program.
    static const Catalogue& Shipped();

    const std::vector<SupportedDeviceEntry>& SupportedDeviceTable() const { return supported_; }
    const std::vector<DeviceKindEntry>& DeviceKindTable() const { return kinds_; }
    const std::vector<DevicePageEntry>& DevicePageTable() const { return pages_; }
    const std::vector<FirmwareEntry>& FirmwareTable() const { return firmware_; }

    // Some row has the candidate's vendor, product, collection and
    // interface (the test made before opening).
    bool isCandidate(const SupportedDeviceEntry& candidate) const;
    // The first row equal on vendor, product, collection, interface, usage
    // page and usage; its kind and variant are copied into the candidate.
    // The row index, or -1 (candidate unchanged).
    int matchRow(SupportedDeviceEntry& candidate) const;
    // Index of the first row with these key values, or -1.
    int findSupportedRow(int vendorId, int productId, int kind, int variant) const;
    int findKindRow(int vendorId, int productId, int kind, int variant) const;

    // The firmware rows with `currentVersion` filled in: row i from the
    // release number of tab item i's connected device (0 when it has none),
    // but only when that tab's kind is the row's `updateKind`, so no device
    // is offered another kind's firmware; the last (application) row from
    // `applicationVersion`. Rows left at 0 are dropped.
    std::vector<FirmwareEntry> firmwareList(std::span<const int32_t> tabItemVersions,
                                            int32_t applicationVersion) const;

  private:
    std::vector<SupportedDeviceEntry> supported_;
    std::vector<DeviceKindEntry> kinds_;
    std::vector<DevicePageEntry> pages_;
    std::vector<FirmwareEntry> firmware_;
};

}  // namespace kelno
