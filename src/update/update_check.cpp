#include "update/update_check.h"

#include <json/reader.h>

#include <cstdio>
#include <memory>

#include "core/ascii_case.h"
#include "core/debug_output.h"
#include "core/json_access.h"
#include "core/names.h"
#include "update/last_check_date.h"

namespace kelno::update {
namespace {

constexpr std::string_view kUpperHexDigits = "0123456789ABCDEF";

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One JSON object and nothing after it; no comments, no repeated keys.
std::optional<Json::Value> ParseAnswerObject(std::string_view body) {
    Json::CharReaderBuilder builder;
    builder["allowComments"] = false;
    builder["failIfExtra"] = true;
    builder["rejectDupKeys"] = true;
    builder["allowSpecialFloats"] = false;
    builder["stackLimit"] = 16;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(body.data(), body.data() + body.size(), &root, &errors)) return {};
    } catch (const std::exception&) {
        return {};  // nested deeper than any answer is
    }
    if (!root.isObject()) return {};
    return root;
}

std::optional<std::string> StringMember(const Json::Value& object, std::string_view key) {
    return json::AsString(json::Member(object, key));
}

bool IsSha256Text(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (DigitValue(c, true) < 0) return false;
    return true;
}

TargetAnswer Failed(TargetAnswer answer, CheckFailure failure, std::string detail) {
    answer.failure = failure;
    answer.detail = std::move(detail);
    answer.status = RowStatus::NoInfo;
    answer.serverVersionText.clear();
    return answer;
}

}  // namespace

std::vector<UpdateTarget> MakeUpdateTargets(std::span<const FirmwareEntry> rows,
                                            std::string_view applicationVersionText) {
    std::vector<UpdateTarget> targets;
    for (const FirmwareEntry& row : rows) {
        if (row.currentVersion == 0) continue;
        UpdateTarget target;
        target.updateKind = row.updateKind;
        target.installFlag = row.updateFlag;
        target.currentVersion = static_cast<uint32_t>(row.currentVersion);
        target.vendor = row.vendorName;
        target.image = row.imageName;
        target.model = row.modelName;
        target.versionText =
            target.IsApplication() ? "V" + std::string(applicationVersionText) : row.versionText;
        targets.push_back(std::move(target));
    }
    return targets;
}

std::optional<uint32_t> ApplicationVersionNumber(std::string_view versionText) {
    std::string digits;
    for (char c : versionText)
        if (c != '.') digits.push_back(c);
    const auto number = ParseVersionNumber(digits, false);
    if (!number || *number == 0) return {};
    return number;
}

std::string ApplicationKey(const UpdateTarget& target) {
    return (target.vendor.empty() ? std::string("NULL") : target.vendor) + "_" +
           std::to_string(target.updateKind) + "_" + target.image + "_" + target.model + "_" +
           std::to_string(target.installFlag);
}

std::string FormEncode(std::string_view text) {
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kUpperHexDigits[byte >> 4]);
            encoded.push_back(kUpperHexDigits[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string RequestBody(const UpdateTarget& target) {
    char version[16];
    std::snprintf(version, sizeof version, target.Hex() ? "%x" : "%u", target.currentVersion);
    return "app_key=" + FormEncode(ApplicationKey(target)) + "&version=" + version;
}

std::string TargetName(const UpdateTarget& target) {
    return target.IsApplication() ? "AP" : target.model;
}

std::string LocalVersionText(const UpdateTarget& target) {
    if (!target.Hex()) return target.versionText;
    char text[16];
    std::snprintf(text, sizeof text, "V%04x", target.currentVersion);
    return text;
}

std::string UpdateServer::UpdatesUrl() const {
    return apiBase.ends_with('/') ? apiBase + "updates" : apiBase + "/updates";
}

std::optional<uint32_t> ParseVersionNumber(std::string_view text, bool hex) {
    if (text.empty()) return {};
    const uint64_t base = hex ? 16 : 10;
    uint64_t value = 0;
    for (const char c : text) {
        const int digit = DigitValue(c, hex);
        if (digit < 0) return {};
        value = value * base + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) return {};
    }
    return static_cast<uint32_t>(value);
}

const char* CheckFailureName(CheckFailure failure) {
    switch (failure) {
        case CheckFailure::None:
            return "none";
        case CheckFailure::NotConfigured:
            return "no update server configured";
        case CheckFailure::Transfer:
            return "no answer";
        case CheckFailure::HttpStatus:
            return "HTTP error";
        case CheckFailure::TooLarge:
            return "answer too large";
        case CheckFailure::NotJson:
            return "answer is not a JSON object";
        case CheckFailure::BadField:
            return "answer field missing or mistyped";
        case CheckFailure::BadVersion:
            return "version is not a number";
        case CheckFailure::BadName:
            return "name is not a bare name";
        case CheckFailure::BadPath:
            return "path is not on the update server";
    }
    return "failed";
}

ParsedAnswer ParseUpdateAnswer(std::string_view body, bool hex) {
    if (body.size() > kMaxAnswerBytes) return {CheckFailure::TooLarge, {}};
    const auto root = ParseAnswerObject(body);
    if (!root) return {CheckFailure::NotJson, {}};

    ServerAnswer answer;
    auto path = StringMember(*root, "path");
    auto name = StringMember(*root, "name");
    auto versionName = StringMember(*root, "version_name");
    auto versionText = StringMember(*root, "version");
    const auto deviceId = json::AsInt64(json::Member(*root, "device_id"));
    if (!path || !name || !versionName || !versionText || !deviceId)
        return {CheckFailure::BadField, {}};
    const Json::Value& sha256 = json::Member(*root, "sha256");
    if (!sha256.isNull()) {
        const auto text = json::AsString(sha256);
        if (!text || !IsSha256Text(*text)) return {CheckFailure::BadField, {}};
        answer.sha256 = ToLowerAscii(*text);
    }
    const auto version = ParseVersionNumber(*versionText, hex);
    if (!version) return {CheckFailure::BadVersion, {}};
    if (!IsBareName(*name)) return {CheckFailure::BadName, {}};

    answer.path = std::move(*path);
    answer.name = std::move(*name);
    answer.versionName = std::move(*versionName);
    answer.versionText = std::move(*versionText);
    answer.deviceId = *deviceId;
    answer.version = *version;
    return {CheckFailure::None, std::move(answer)};
}

const char* RowStatusTextKey(RowStatus status, bool checkFailed) {
    if (checkFailed) return kCheckFailedTextKey;
    switch (status) {
        case RowStatus::NoInfo:
            return "LessUpdateText";
        case RowStatus::NeedUpdate:
        case RowStatus::NeedUpdateAgain:
            return "NeedUpdateText";
        case RowStatus::DownloadWaiting:
            return "DownloadWaitText";
        case RowStatus::Downloading:
            return "DownloadIngText";
        case RowStatus::Downloaded:
            return "DownloadOkText";
        case RowStatus::Updating:
            return "UpdateIngText";
        case RowStatus::UpToDate:
            return "UpdateOkText";
        case RowStatus::UpdateFailed:
            return "UpdateFailText";
    }
    return "LessUpdateText";
}

bool RowSelectable(RowStatus status) {
    return status == RowStatus::NeedUpdate || status == RowStatus::NeedUpdateAgain ||
           status == RowStatus::UpdateFailed;
}

const char* WindowStatusTextKey(WindowStatus status) {
    switch (status) {
        case WindowStatus::Checking:
            return "GetUpdateInfoText";
        case WindowStatus::UpdatesFound:
            return "HaveUpdateInfoText";
        case WindowStatus::CheckFailed:
            return "NoUpdateInfoText";
        case WindowStatus::Updating:
            return "ISUpdateINGText";
        case WindowStatus::UpToDate:
            return "UpdateIsLastText";
        case WindowStatus::NotConfigured:
            return "UpdateNotConfiguredText";
    }
    return "NoUpdateInfoText";
}

TargetAnswer CheckTarget(IHttpClient& client, const UpdateServer& server,
                         const UpdateTarget& target, std::stop_token stop) {
    TargetAnswer answer;
    answer.localVersionText = LocalVersionText(target);
    const auto serverAddress = server.Address();
    if (!server.Configured() || !serverAddress)
        return Failed(std::move(answer), CheckFailure::NotConfigured, server.apiBase);

    HttpRequest request;
    request.method = "POST";
    request.url = server.UpdatesUrl();
    request.body = RequestBody(target);
    request.maxBodyBytes = kMaxAnswerBytes;
    const HttpResponse response = client.Request(request, stop);
    if (response.failure == HttpFailure::TooLarge)
        return Failed(std::move(answer), CheckFailure::TooLarge, response.error);
    if (response.failure != HttpFailure::None) {
        return Failed(std::move(answer), CheckFailure::Transfer,
                      std::string(HttpFailureName(response.failure)) + ": " + response.error);
    }
    if (response.status != 200) {
        return Failed(std::move(answer), CheckFailure::HttpStatus,
                      "HTTP " + std::to_string(response.status));
    }
    ParsedAnswer parsed = ParseUpdateAnswer(response.body, target.Hex());
    if (parsed.failure != CheckFailure::None)
        return Failed(std::move(answer), parsed.failure, CheckFailureName(parsed.failure));
    const auto path = ParseHttpsUrl(parsed.answer.path);
    if (!path || !SameServer(*path, *serverAddress))
        return Failed(std::move(answer), CheckFailure::BadPath, parsed.answer.path);

    answer.server = std::move(parsed.answer);
    answer.serverVersionText =
        target.Hex() ? "V" + answer.server.versionText : answer.server.versionName;
    answer.status =
        target.currentVersion < answer.server.version ? RowStatus::NeedUpdate : RowStatus::UpToDate;
    return answer;
}

CheckPassResult RunCheckPass(IHttpClient& client, const UpdateServer& server,
                             std::span<const UpdateTarget> targets, std::stop_token stop,
                             const std::function<void(size_t, const TargetAnswer&)>& onAnswer,
                             const LastCheckDate* lastCheck) {
    CheckPassResult result;
    if (!server.Configured()) {
        result.status = WindowStatus::NotConfigured;
        return result;
    }
    bool anyFailed = false;
    bool anyNewer = false;
    for (size_t i = 0; i < targets.size() && !stop.stop_requested(); ++i) {
        TargetAnswer answer = CheckTarget(client, server, targets[i], stop);
        if (answer.Failed()) {
            DebugOutputF("update check of %s failed: %s", TargetName(targets[i]).c_str(),
                         answer.detail.c_str());
        }
        anyFailed = anyFailed || answer.Failed();
        anyNewer = anyNewer || answer.status == RowStatus::NeedUpdate;
        if (!answer.Failed() && !result.anyAnswered) {
            result.anyAnswered = true;
            if (lastCheck && !lastCheck->WriteToday())
                DebugOutput("the date of this update check could not be stored");
        }
        if (onAnswer) onAnswer(i, answer);
        result.answers.push_back(std::move(answer));
    }
    // A pass cut short by stop has not answered everything.
    anyFailed = anyFailed || result.answers.size() < targets.size();
    result.status = anyNewer    ? WindowStatus::UpdatesFound
                    : anyFailed ? WindowStatus::CheckFailed
                                : WindowStatus::UpToDate;
    return result;
}

}  // namespace kelno::update
