#pragma once
// A mouse's recoil presets: four files "ShootData_<n>.Shoot" in the mouse's
// user folder, each 30 shots in the macro event format. Shot b owns the
// four events 4b..4b+3: a left click (press, release) and then a horizontal
// and a vertical pointer move, the last one carrying the shot's delay. A
// copy of each file in the default-data folder serves for resetting.

#include <json/value.h>

#include <cstdint>
#include <filesystem>

namespace kelno {

struct RecoilLimits {
    static constexpr int kPresets = 4;
    static constexpr int kShots = 30;
    static constexpr int kMaxAmount = 255;   // a move's distance ("Button")
    static constexpr int kMaxDelay = 65535;  // milliseconds
};

struct RecoilShot {
    bool left = false;  // horizontal move to the left ("down"), else right
    int horizontal = 0;
    bool up = false;  // vertical move upwards ("down"), else downwards
    int vertical = 0;
    int delay = 0;
    bool operator==(const RecoilShot&) const = default;
};

// The file of preset `preset` (clamped to 0..3) in `folder`.
std::filesystem::path RecoilFilePath(const std::filesystem::path& folder, int preset);

// Shot `shot` of a file's content; a missing or damaged shot reads as zeros.
RecoilShot ReadRecoilShot(const Json::Value& file, int shot);

// The shot's amounts and delay clamped to what the file format stores.
RecoilShot ClampRecoilShot(const RecoilShot& shot);

// Sets the four events of shot `shot` (clamped); shots before it that the
// file lacks get their four events with zero amounts, never nulls. Every
// other member and event is kept.
void StoreRecoilShot(Json::Value& file, int shot, const RecoilShot& values);

enum class RecoilFileResult {
    Done,
    DefaultMissing,  // no default to reset from: the user's file is left alone
    NotReplaced,     // the user's file could not be read or backed up
    WriteFailed,     // the old file is left as it was
};

// Writes shot `shot` of preset `preset` into the user folder's file. A file
// that does not parse is kept as "<file>.bak" first; one that cannot be
// read is not replaced.
RecoilFileResult SaveRecoilShot(const std::filesystem::path& userFolder, int preset, int shot,
                                const RecoilShot& values);

// Replaces the user's file of `preset` with the default one, byte for byte.
// The default is read first: without one the user's file stays as it is.
RecoilFileResult ResetRecoilPreset(const std::filesystem::path& userFolder,
                                   const std::filesystem::path& defaultFolder, int preset);

}  // namespace kelno
