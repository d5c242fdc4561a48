#include "macros/recoil_data.h"

#include <algorithm>
#include <string>

#include "core/atomic_file.h"
#include "core/file_backup.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "macros/macro_event.h"

namespace kelno {
namespace {

constexpr int kEventsPerShot = 4;

int Clamp(int value, int high) {
    return std::clamp(value, 0, high);
}

Json::Value MoveEvent(int type, bool down, int amount, int delay) {
    Json::Value event(Json::objectValue);
    event["Action"] = down ? "down" : "up";
    event["Button"] = amount;
    event["Delay"] = delay;
    event["Type"] = type;
    return event;
}

// The four events of a shot, in the order the file keeps them.
void PutShot(Json::Value& events, int shot, const RecoilShot& values) {
    const auto at = static_cast<Json::ArrayIndex>(shot * kEventsPerShot);
    events[at] = MoveEvent(1, true, 1, 10);      // the left button pressed ...
    events[at + 1] = MoveEvent(1, false, 1, 0);  // ... and released
    events[at + 2] = MoveEvent(4, values.left, values.horizontal, 5);
    events[at + 3] = MoveEvent(5, values.up, values.vertical, values.delay);
}

}  // namespace

std::filesystem::path RecoilFilePath(const std::filesystem::path& folder, int preset) {
    return folder /
           ("ShootData_" + std::to_string(Clamp(preset, RecoilLimits::kPresets - 1)) + ".Shoot");
}

RecoilShot ReadRecoilShot(const Json::Value& file, int shot) {
    const Json::Value& events = json::Member(file, "Events");
    const int first = Clamp(shot, RecoilLimits::kShots - 1) * kEventsPerShot;
    const Json::Value& horizontal = json::Element(events, first + 2);
    const Json::Value& vertical = json::Element(events, first + 3);
    // Distances are clamped, not cut to a byte as the device form would.
    const auto amount = [](const Json::Value& event) {
        return static_cast<int>(
            std::clamp<int64_t>(json::ReadInt64(event, "Button"), 0, RecoilLimits::kMaxAmount));
    };
    RecoilShot values;
    values.left = MacroEvent::FromJson(horizontal).down;
    values.horizontal = amount(horizontal);
    const MacroEvent move = MacroEvent::FromJson(vertical);
    values.up = move.down;
    values.vertical = amount(vertical);
    values.delay = move.delay;
    return values;
}

RecoilShot ClampRecoilShot(const RecoilShot& shot) {
    RecoilShot clamped = shot;
    clamped.horizontal = Clamp(shot.horizontal, RecoilLimits::kMaxAmount);
    clamped.vertical = Clamp(shot.vertical, RecoilLimits::kMaxAmount);
    clamped.delay = Clamp(shot.delay, RecoilLimits::kMaxDelay);
    return clamped;
}

void StoreRecoilShot(Json::Value& file, int shot, const RecoilShot& values) {
    if (!file.isObject()) file = Json::Value(Json::objectValue);
    Json::Value& events = file["Events"];
    if (!events.isArray()) events = Json::Value(Json::arrayValue);
    const int target = Clamp(shot, RecoilLimits::kShots - 1);
    // Shots the file does not reach yet are filled, so no event is a null.
    for (int b = static_cast<int>(events.size()) / kEventsPerShot; b < target; ++b)
        PutShot(events, b, RecoilShot{});
    PutShot(events, target, ClampRecoilShot(values));
}

RecoilFileResult SaveRecoilShot(const std::filesystem::path& userFolder, int preset, int shot,
                                const RecoilShot& values) {
    const std::filesystem::path path = RecoilFilePath(userFolder, preset);
    std::optional<Json::Value> file =
        ReadForReplacing(path, [](const Json::Value& v) { return v.isObject(); });
    if (!file) return RecoilFileResult::NotReplaced;
    StoreRecoilShot(*file, shot, values);
    return WriteJsonFile(path, *file) == 0 ? RecoilFileResult::Done : RecoilFileResult::WriteFailed;
}

RecoilFileResult ResetRecoilPreset(const std::filesystem::path& userFolder,
                                   const std::filesystem::path& defaultFolder, int preset) {
    const TextFileRead source = ReadFileTextWithStatus(RecoilFilePath(defaultFolder, preset));
    if (source.status != FileReadStatus::Read) return RecoilFileResult::DefaultMissing;
    return WriteFileAtomically(RecoilFilePath(userFolder, preset), source.text).ok
               ? RecoilFileResult::Done
               : RecoilFileResult::WriteFailed;
}

}  // namespace kelno
