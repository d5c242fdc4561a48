#include "platform/sim/sim_devices.h"

#include <numeric>
#include <random>

#include "platform/sim/sim_report_descriptors.h"

namespace kelno::sim {
namespace {

constexpr uint32_t kKeyOrderSeed = 0x4B454C;  // fixed: the same device every run
constexpr uint32_t kLedOrderSeed = 0x4C4544;

// The factory assignments of the keyboard's 126 keys, type b1 b2 each.
constexpr uint8_t kKeyboardCodes[kSimKeyboardKeys][3] = {
    {0x20, 0x00, 0x29}, {0x20, 0x00, 0x3A}, {0x20, 0x00, 0x3B}, {0x20, 0x00, 0x3C},
    {0x20, 0x00, 0x3D}, {0x20, 0x00, 0x3E}, {0x20, 0x00, 0x3F}, {0x20, 0x00, 0x40},
    {0x20, 0x00, 0x41}, {0x20, 0x00, 0x42}, {0x20, 0x00, 0x43}, {0x20, 0x00, 0x44},
    {0x20, 0x00, 0x45}, {0x20, 0x00, 0x46}, {0x20, 0x00, 0x47}, {0x20, 0x00, 0x48},
    {0xA0, 0x1B, 0x00}, {0xA0, 0x24, 0x00}, {0x30, 0xB6, 0x00}, {0x30, 0xCD, 0x00},
    {0x30, 0xB5, 0x00}, {0x20, 0x00, 0x35}, {0x20, 0x00, 0x1E}, {0x20, 0x00, 0x1F},
    {0x20, 0x00, 0x20}, {0x20, 0x00, 0x21}, {0x20, 0x00, 0x22}, {0x20, 0x00, 0x23},
    {0x20, 0x00, 0x24}, {0x20, 0x00, 0x25}, {0x20, 0x00, 0x26}, {0x20, 0x00, 0x27},
    {0x20, 0x00, 0x2D}, {0x20, 0x00, 0x2E}, {0x20, 0x00, 0x2A}, {0x20, 0x00, 0x49},
    {0x20, 0x00, 0x4A}, {0x20, 0x00, 0x4B}, {0x20, 0x00, 0x53}, {0x20, 0x00, 0x54},
    {0x20, 0x00, 0x55}, {0x20, 0x00, 0x56}, {0x20, 0x00, 0x2B}, {0x20, 0x00, 0x14},
    {0x20, 0x00, 0x1A}, {0x20, 0x00, 0x08}, {0x20, 0x00, 0x15}, {0x20, 0x00, 0x17},
    {0x20, 0x00, 0x1C}, {0x20, 0x00, 0x18}, {0x20, 0x00, 0x0C}, {0x20, 0x00, 0x12},
    {0x20, 0x00, 0x13}, {0x20, 0x00, 0x2F}, {0x20, 0x00, 0x30}, {0x20, 0x00, 0x31},
    {0x20, 0x00, 0x4C}, {0x20, 0x00, 0x4D}, {0x20, 0x00, 0x4E}, {0x20, 0x00, 0x5F},
    {0x20, 0x00, 0x60}, {0x20, 0x00, 0x61}, {0x20, 0x00, 0x00}, {0x20, 0x00, 0x39},
    {0x20, 0x00, 0x04}, {0x20, 0x00, 0x16}, {0x20, 0x00, 0x07}, {0x20, 0x00, 0x09},
    {0x20, 0x00, 0x0A}, {0x20, 0x00, 0x0B}, {0x20, 0x00, 0x0D}, {0x20, 0x00, 0x0E},
    {0x20, 0x00, 0x0F}, {0x20, 0x00, 0x33}, {0x20, 0x00, 0x34}, {0x20, 0x00, 0x28},
    {0x20, 0x00, 0x5C}, {0x20, 0x00, 0x5D}, {0x20, 0x00, 0x5E}, {0x20, 0x00, 0x8A},
    {0x20, 0x00, 0x8B}, {0x20, 0x00, 0x90}, {0x20, 0x00, 0x91}, {0x20, 0x00, 0x88},
    {0x20, 0x02, 0x00}, {0x20, 0x00, 0x1D}, {0x20, 0x00, 0x1B}, {0x20, 0x00, 0x06},
    {0x20, 0x00, 0x19}, {0x20, 0x00, 0x05}, {0x20, 0x00, 0x11}, {0x20, 0x00, 0x10},
    {0x20, 0x00, 0x36}, {0x20, 0x00, 0x37}, {0x20, 0x00, 0x38}, {0x20, 0x20, 0x00},
    {0x20, 0x00, 0x52}, {0x20, 0x00, 0x59}, {0x20, 0x00, 0x5A}, {0x20, 0x00, 0x5B},
    {0x20, 0x00, 0x87}, {0x20, 0x00, 0x89}, {0x20, 0x00, 0x64}, {0x20, 0x00, 0x85},
    {0x20, 0x00, 0x00}, {0x20, 0x01, 0x00}, {0x20, 0x08, 0x00}, {0x20, 0x04, 0x00},
    {0x20, 0x00, 0x2C}, {0x20, 0x40, 0x00}, {0xA0, 0x01, 0x00}, {0x20, 0x00, 0x65},
    {0x20, 0x10, 0x00}, {0x20, 0x00, 0x50}, {0x20, 0x00, 0x51}, {0x20, 0x00, 0x4F},
    {0x20, 0x00, 0x62}, {0x20, 0x00, 0x63}, {0x20, 0x00, 0x58}, {0x20, 0x00, 0x57},
    {0xD0, 0xA2, 0x01}, {0xD0, 0xA2, 0x02}, {0xD0, 0xA2, 0x03}, {0xD0, 0xA2, 0x04},
    {0xD0, 0xA2, 0x05}, {0x20, 0x80, 0x00},
};

// The mouse's factory assignments: buttons, DPI functions, a function key
// and a 16-bit value.
constexpr uint8_t kMouseCodes[kSimMouseKeys][3] = {
    {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00},
    {0x10, 0x08, 0x00}, {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00},
    {0xA0, 0x1B, 0x00}, {0x16, 0x90, 0x01},
};

// A deterministic permutation of 0..count-1 (Fisher-Yates over mt19937,
// whose sequence the standard fixes).
std::vector<int> Shuffled(size_t count, uint32_t seed) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 engine(seed);
    for (size_t i = count; i > 1; --i) std::swap(order[i - 1], order[engine() % i]);
    return order;
}

std::vector<uint8_t> KeyMapInOrder(const uint8_t (*codes)[3], const std::vector<int>& order) {
    std::vector<uint8_t> map;
    for (int pageKey : order) map.insert(map.end(), codes[pageKey], codes[pageKey] + 3);
    return map;
}

std::vector<uint8_t> InfoRecord(uint8_t keyCount, uint8_t macroUnits) {
    std::vector<uint8_t> info(34, 0);
    info[0] = 0x01;  // record version
    info[1] = 0x05;  // firmware 1.05
    info[2] = 0x01;
    info[5] = keyCount;
    info[6] = macroUnits;
    return info;
}

// Profile 0 block: mode 1, the device's top brightness, speed byte 3, red.
std::vector<uint8_t> FactoryMemory(uint8_t brightness) {
    std::vector<uint8_t> memory(kSimSettingsMemorySize, 0);
    memory[1] = 1;
    memory[2] = brightness;
    memory[3] = 3;
    memory[6] = 0xFF;
    return memory;
}
constexpr uint8_t kKeyboardTopBrightness = 24;
constexpr uint8_t kTopBrightness = 4;  // mouse and mouse pad

SimDeviceConfig BaseConfig(std::string name, hid::DeviceAttributes ids, size_t leds) {
    SimDeviceConfig config;
    config.name = std::move(name);
    config.attributes = ids;
    config.interfaceNumber = 1;
    config.reportDescriptor = MouseInterfaceDescriptor();
    config.notifyReportId = kNotifyReportId;
    config.memory = FactoryMemory(kTopBrightness);
    config.lightFrameSize = 3 * leds;
    // Level first, then the charging state (0: not charging); byte 3 says
    // wireless (the host fills it in).
    config.powerStatus = {100, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    return config;
}

}  // namespace

std::string_view SimKindName(SimKind kind) {
    switch (kind) {
        case SimKind::Keyboard:
            return "keyboard";
        case SimKind::Mouse:
            return "mouse";
        case SimKind::MousePad:
            return "mousepad";
        case SimKind::Headset:
            return "headset";
        case SimKind::WirelessMouse:
            return "wmouse";
    }
    return "";
}

std::optional<SimKind> SimKindFromName(std::string_view name) {
    for (SimKind kind : kAllSimKinds)
        if (SimKindName(kind) == name) return kind;
    return std::nullopt;
}

hid::DeviceAttributes SimKindIds(SimKind kind) {
    switch (kind) {
        case SimKind::Keyboard:
            return kSimKeyboardIds;
        case SimKind::Mouse:
            return kSimMouseIds;
        case SimKind::MousePad:
            return kSimMousePadIds;
        case SimKind::Headset:
            return kSimHeadsetIds;
        case SimKind::WirelessMouse:
            return kSimWirelessMouseIds;
    }
    return {};
}

const std::vector<uint8_t>& SimKeyboardPageKeyCodes() {
    static const std::vector<uint8_t> codes(&kKeyboardCodes[0][0],
                                            &kKeyboardCodes[0][0] + sizeof kKeyboardCodes);
    return codes;
}

const std::vector<int>& SimKeyboardDeviceOrder() {
    static const std::vector<int> order = Shuffled(kSimKeyboardKeys, kKeyOrderSeed);
    return order;
}

std::shared_ptr<SimCommandDevice> MakeSimDevice(SimKind kind) {
    switch (kind) {
        case SimKind::Keyboard: {
            SimDeviceConfig config =
                BaseConfig("KELNO emulated keyboard", kSimKeyboardIds, kSimKeyboardKeys);
            config.reportDescriptor = KeyboardInterfaceDescriptor();
            config.memory = FactoryMemory(kKeyboardTopBrightness);
            config.info = InfoRecord(kSimKeyboardKeys, 16);
            config.keyMap = KeyMapInOrder(kKeyboardCodes, SimKeyboardDeviceOrder());
            // Device key k sits under an LED of a second fixed shuffle, so
            // key and LED numbers never coincide by accident.
            for (int led : Shuffled(kSimKeyboardKeys, kLedOrderSeed))
                config.keyLeds.push_back(static_cast<uint8_t>(led));
            config.keyLightBitmapSize = 21;
            return std::make_shared<SimCommandDevice>(std::move(config));
        }
        case SimKind::Mouse:
        case SimKind::WirelessMouse: {
            const bool wireless = kind == SimKind::WirelessMouse;
            SimDeviceConfig config =
                wireless ? BaseConfig("KELNO emulated wireless mouse", kSimWirelessMouseIds, 6)
                         : BaseConfig("KELNO emulated mouse", kSimMouseIds, 6);
            config.info = InfoRecord(kSimMouseKeys, 8);
            config.info[11] = 50;    // DPI step
            config.info[12] = 0x90;  // 400 steps, little-endian
            config.info[13] = 0x01;
            config.keyMap = KeyMapInOrder(kMouseCodes, Shuffled(kSimMouseKeys, kKeyOrderSeed));
            config.keyLeds.assign(kSimMouseKeys, 0);
            config.overTheAir = wireless;
            if (wireless) config.powerStatus[0] = 80;
            return std::make_shared<SimCommandDevice>(std::move(config));
        }
        case SimKind::MousePad: {
            SimDeviceConfig config = BaseConfig("KELNO emulated mouse pad", kSimMousePadIds, 15);
            config.reportDescriptor = KeyboardInterfaceDescriptor();
            config.info = InfoRecord(0, 0);
            return std::make_shared<SimCommandDevice>(std::move(config));
        }
        case SimKind::Headset: {
            SimDeviceConfig config = BaseConfig("KELNO emulated headset", kSimHeadsetIds, 13);
            config.interfaceNumber = 3;
            config.reportDescriptor = HeadsetInterfaceDescriptor();
            config.notifyReportId = kHeadsetNotifyReportId;
            config.info = InfoRecord(0, 0);
            config.acceptsLedOutputReports = true;
            return std::make_shared<SimCommandDevice>(std::move(config));
        }
    }
    return nullptr;
}

}  // namespace kelno::sim
