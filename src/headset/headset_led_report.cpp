#include "headset/headset_led_report.h"

#include <algorithm>

namespace kelno::headset {
namespace {

constexpr uint8_t kReportId = 0xFF;
constexpr std::array<uint8_t, 2> kDrivers = {0x22, 0x44};
constexpr int kFirstHalf = 7;  // LEDs 0-6; 7-12 make the second half

enum class Component { Red, Green, Blue };

struct Block {
    Component component;
    uint8_t firstHalf;   // the block byte of LEDs 0-6
    uint8_t secondHalf;  // of LEDs 7-12
};
constexpr std::array<Block, 3> kBlocks = {{
    {Component::Red, 0xAA, 0xAD},
    {Component::Green, 0xAB, 0xAE},
    {Component::Blue, 0xAC, 0xAF},
}};

uint8_t ComponentOf(const LedColour& led, Component component) {
    switch (component) {
        case Component::Red:
            return led.red;
        case Component::Green:
            return led.green;
        case Component::Blue:
            return led.blue;
    }
    return 0;
}

LedReport MakeReport(uint8_t driver, uint8_t block, Component component,
                     std::span<const LedColour> leds, int first, int count) {
    LedReport report{};
    report[0] = kReportId;
    report[1] = driver;
    report[2] = block;
    for (int i = 0; i < count; ++i) {
        const int led = first + i;
        if (led >= static_cast<int>(leds.size())) break;
        const LedColour& colour = leds[static_cast<size_t>(led)];
        report[3 + static_cast<size_t>(i)] = ChannelValue(ComponentOf(colour, component), colour.level);
    }
    return report;
}

}  // namespace

uint8_t ChannelValue(uint8_t component, uint8_t level) {
    return static_cast<uint8_t>(std::min(component * level / 256, int{kMaxChannel}));
}

std::array<LedReport, kLedReportCount> BuildLedReports(std::span<const LedColour> leds) {
    std::array<LedReport, kLedReportCount> reports{};
    size_t next = 0;
    for (const Block& block : kBlocks) {
        for (uint8_t driver : kDrivers) {
            reports[next++] = MakeReport(driver, block.firstHalf, block.component, leds, 0, kFirstHalf);
            reports[next++] = MakeReport(driver, block.secondHalf, block.component, leds, kFirstHalf,
                                         kLedCount - kFirstHalf);
        }
    }
    return reports;
}

}  // namespace kelno::headset
