#pragma once
// The light bytes every kind's settings block carries, named alike in the
// wire formats (mode, brightness, speed, effect option, multi-colour,
// colour): one place that moves them between a light setting and a block's
// fields.

#include "profiles/profile_records.h"

namespace kelno {

// Into the fields a block is built from.
template <typename Block>
void PutLight(const LightSetting& light, Block& block) {
    block.mode = light[LightSetting::kMode];
    block.brightness = light[LightSetting::kBrightness];
    block.speed = light[LightSetting::kSpeed];
    block.effectOption = light[LightSetting::kDirection];
    block.multiColour = light[LightSetting::kMultiColor];
    block.red = light[LightSetting::kRed];
    block.green = light[LightSetting::kGreen];
    block.blue = light[LightSetting::kBlue];
}

// What a block read back says of the lighting (the effect option and the
// rest of the setting are kept).
template <typename Reported>
void TakeReportedLight(const Reported& reported, LightSetting& light) {
    light[LightSetting::kMode] = reported.mode;
    light[LightSetting::kBrightness] = reported.brightness;
    light[LightSetting::kSpeed] = reported.speed;
    light[LightSetting::kMultiColor] = reported.multiColour;
    light[LightSetting::kRed] = reported.red;
    light[LightSetting::kGreen] = reported.green;
    light[LightSetting::kBlue] = reported.blue;
}

}  // namespace kelno
