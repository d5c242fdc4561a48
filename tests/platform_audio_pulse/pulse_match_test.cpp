#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "platform/linux/alsa_side_tone.h"
#include "platform/linux/pulse_audio_config_lib.h"

namespace kelno::audio {
namespace {

PulseDeviceInfo Device(uint32_t index, std::string bus, std::string vendor, std::string product,
                       std::string sysfs = {}, bool monitor = false) {
    return {index,
            "d" + std::to_string(index),
            std::move(bus),
            std::move(vendor),
            std::move(product),
            std::move(sysfs),
            {},
            monitor};
}

std::vector<uint32_t> Indices(const std::vector<PulseDeviceInfo>& devices) {
    std::vector<uint32_t> indices;
    for (const auto& device : devices) indices.push_back(device.index);
    return indices;
}

TEST(PulseHeadsetMatching, FindsTheHeadsetsUsbDevicesOnly) {
    const PulseHeadsetMatch headset{0x0c45, 0x7654, {}};
    struct Case {
        const char* what;
        PulseDeviceInfo device;
        bool matches;
    };
    const Case cases[] = {
        {"lower-case hex, as PulseAudio writes it", Device(1, "usb", "0c45", "7654"), true},
        {"0x and upper case, as others write it", Device(2, "usb", "0x0C45", "0X7654"), true},
        {"another product", Device(3, "usb", "0c45", "7655"), false},
        {"another vendor", Device(4, "usb", "0c46", "7654"), false},
        {"not on USB", Device(5, "pci", "0c45", "7654"), false},
        {"no ids", Device(6, "usb", "", ""), false},
        {"ids with trailing text", Device(7, "usb", "0c45x", "7654"), false},
        {"a sink's monitor", Device(8, "usb", "0c45", "7654", {}, true), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchHeadsetDevices({c.device}, headset).size(), c.matches ? 1u : 0u) << c.what;
}

TEST(PulseHeadsetMatching, PrefersTheSameUsbParentAndNeverMatchesZeroIds) {
    const std::vector<PulseDeviceInfo> devices = {
        Device(1, "usb", "0c45", "7654", "/devices/pci0000:00/usb1/1-1/1-1:1.0/sound/card1"),
        Device(2, "usb", "0c45", "7654", "/devices/pci0000:00/usb1/1-2/1-2:1.0/sound/card2"),
        Device(3, "usb", "0c45", "7654", "/devices/pci0000:00/usb1/1-20/1-20:1.0/sound/card3"),
    };
    // The HID device's USB parent as sysfs gives it.
    EXPECT_EQ(
        Indices(MatchHeadsetDevices(devices, {0x0c45, 0x7654, "/sys/devices/pci0000:00/usb1/1-2"})),
        (std::vector<uint32_t>{2, 1, 3}));
    EXPECT_EQ(Indices(MatchHeadsetDevices(devices,
                                          {0x0c45, 0x7654, "/sys/devices/pci0000:00/usb1/1-2/"})),
              (std::vector<uint32_t>{2, 1, 3}));
    EXPECT_EQ(Indices(MatchHeadsetDevices(devices, {0x0c45, 0x7654, {}})),
              (std::vector<uint32_t>{1, 2, 3}));
    // A catalogue without the headset's ids matches nothing, not the first device.
    EXPECT_TRUE(MatchHeadsetDevices({Device(4, "usb", "0", "0")}, {}).empty());
}

TEST(AlsaSideTone, SharesBecomeRoundedStepsOfTheElementsRange) {
    struct Case {
        double share;
        long min, max, step;
    };
    const Case cases[] = {
        {0.5, 0, 31, 16},                                             // 15.5: rounded, not cut
        {0.3, 0, 31, 9},                                              // 9.3
        {0.5, -10, 10, 0},                                            // a range below zero
        {1.5, 0, 31, 31},                                             // clamped
        {-1.0, 4, 31, 4},  {std::nan(""), 4, 31, 4}, {0.5, 7, 7, 7},  // no range
    };
    for (const Case& c : cases)
        EXPECT_EQ(MixerStep(c.share, c.min, c.max), c.step)
            << c.share << " of " << c.min << ".." << c.max;
}

}  // namespace
}  // namespace kelno::audio
