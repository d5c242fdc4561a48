#pragma once
// The update check as plain logic: which targets are asked for, what is
// sent, how an answer is read, and what each list row and the window show.
// Everything here runs on a worker thread with an IHttpClient; nothing
// touches the UI.
//
// A failed check (no server configured, unreachable, HTTP error, an answer
// that is too large or malformed) is a failure of its own: it never reads as
// "up to date".

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "devices/detect/catalogue.h"
#include "update/http_client.h"
#include "update/https_url.h"

namespace kelno::update {

// Larger answers are refused, not cut and parsed.
inline constexpr size_t kMaxAnswerBytes = 100 * 1024;
// The image name of the row that stands for the program itself.
inline constexpr std::string_view kApplicationImage = "ALL";

struct UpdateTarget {
    int32_t updateKind = 0;  // 0: the program; otherwise firmware (hex versions)
    int32_t installFlag = 0;
    uint32_t currentVersion = 0;
    std::string vendor;
    std::string image;
    std::string model;
    std::string versionText;  // shown for decimal targets

    bool Hex() const { return updateKind != 0; }
    bool IsApplication() const { return image == kApplicationImage; }
};

// The targets for the rows of Catalogue::firmwareList (rows without a
// version are already dropped there). The program's row shows
// "V" + `applicationVersionText`.
std::vector<UpdateTarget> MakeUpdateTargets(std::span<const FirmwareEntry> rows,
                                            std::string_view applicationVersionText);

// The program's version number: its version text with the dots removed, as
// a whole decimal number; nothing for any other text or for 0.
std::optional<uint32_t> ApplicationVersionNumber(std::string_view versionText);

// "<vendor or NULL>_<updateKind>_<image>_<model>_<installFlag>".
std::string ApplicationKey(const UpdateTarget& target);
// Percent-encodes everything but letters, digits and "-._~".
std::string FormEncode(std::string_view text);
// "app_key=<key>&version=<current>", the version in hex for firmware.
std::string RequestBody(const UpdateTarget& target);
// "AP" for the program, else the model name.
std::string TargetName(const UpdateTarget& target);
// "V%04x" of the current version for firmware, else the version text.
std::string LocalVersionText(const UpdateTarget& target);

// The server: its API base (e.g. "https://host/api/"); empty when the build
// has none and none was given on the command line.
struct UpdateServer {
    std::string apiBase;

    bool Configured() const { return !apiBase.empty(); }
    // apiBase + "updates" (a '/' put between when missing).
    std::string UpdatesUrl() const;
    std::optional<HttpsUrl> Address() const { return ParseHttpsUrl(apiBase); }
};

// A whole version text in the target's base: digits only (no sign, prefix,
// space or dot), at most 32 bits.
std::optional<uint32_t> ParseVersionNumber(std::string_view text, bool hex);

enum class CheckFailure {
    None,
    NotConfigured,  // no server: nothing was asked
    Transfer,       // no answer (unreachable, certificate, stall, cancelled...)
    HttpStatus,     // an answer other than 200
    TooLarge,
    NotJson,     // not one JSON object
    BadField,    // a field missing or of the wrong type
    BadVersion,  // "version" is not a whole number in the target's base
    BadName,     // "name" is not a bare name
    BadPath,     // "path" is not https on the update server's host
};

const char* CheckFailureName(CheckFailure failure);

struct ServerAnswer {
    std::string path;
    std::string name;
    std::string versionName;
    std::string versionText;
    int64_t deviceId = 0;
    uint32_t version = 0;
    std::optional<std::string> sha256;  // 64 lower-case hex digits when given
};

struct ParsedAnswer {
    CheckFailure failure = CheckFailure::None;
    ServerAnswer answer;
};

// Reads an answer body. The fields checked here are those that need no
// knowledge of the server (see CheckFailure).
ParsedAnswer ParseUpdateAnswer(std::string_view body, bool hex);

// Row statuses, with the numbers the list shows them by.
enum class RowStatus : int {
    NoInfo = 0,
    NeedUpdate = 1,
    NeedUpdateAgain = 2,
    DownloadWaiting = 3,
    Downloading = 4,
    Downloaded = 5,
    Updating = 6,
    UpToDate = 7,
    UpdateFailed = 8,
};

// The text key of a row. A row whose check failed shows
// kCheckFailedTextKey whatever its status.
const char* RowStatusTextKey(RowStatus status, bool checkFailed);
inline constexpr const char* kCheckFailedTextKey = "UpdateCheckFailText";
// Rows the user may mark: an update was found, or its download failed.
bool RowSelectable(RowStatus status);

enum class WindowStatus : int {
    Checking = 0,
    UpdatesFound = 1,
    CheckFailed = 2,  // no update found and at least one check failed
    Updating = 3,
    UpToDate = 4,  // every target answered, none newer
    NotConfigured = 5,
};

const char* WindowStatusTextKey(WindowStatus status);

struct TargetAnswer {
    CheckFailure failure = CheckFailure::None;
    std::string detail;  // for the debug log
    RowStatus status = RowStatus::NoInfo;
    ServerAnswer server;
    std::string localVersionText;
    std::string serverVersionText;  // empty when the check failed

    bool Failed() const { return failure != CheckFailure::None; }
};

// Asks the server about one target.
TargetAnswer CheckTarget(IHttpClient& client, const UpdateServer& server,
                         const UpdateTarget& target, std::stop_token stop);

struct CheckPassResult {
    std::vector<TargetAnswer> answers;  // one per target, in order
    WindowStatus status = WindowStatus::Checking;
    bool anyAnswered = false;  // a target got a version from the server
};

class LastCheckDate;

// Checks every target in order (stopping early on stop) and works out the
// window status. `onAnswer` hears each answer as it comes; `lastCheck`, when
// given, gets today's date once a target has been answered.
CheckPassResult RunCheckPass(IHttpClient& client, const UpdateServer& server,
                             std::span<const UpdateTarget> targets, std::stop_token stop,
                             const std::function<void(size_t, const TargetAnswer&)>& onAnswer = {},
                             const LastCheckDate* lastCheck = nullptr);

}  // namespace kelno::update
