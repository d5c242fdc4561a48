#include "update/update_check.h"

#include <gtest/gtest.h>

#include "core/json_file.h"
#include "support/temp_folder.h"
#include "update/fake_http_client.h"
#include "update/last_check_date.h"
#include "update/update_config.h"

namespace kelno::update {
namespace {

using test::FakeHttpClient;
using test::JsonAnswer;

const UpdateServer kServer{"https://updates.example/api/"};

// The shipped firmware rows with the keyboard connected, as the window gets
// them.
std::vector<UpdateTarget> KeyboardAndProgram() {
    const std::vector<int32_t> tabs{0, 0x0105, 0, 0};
    const auto rows = Catalogue::Shipped().firmwareList(tabs, 10);
    return MakeUpdateTargets(rows, "0.1.0");
}

std::string Answer(std::string_view version, std::string_view extra = {}) {
    return std::string(R"({"path": "https://updates.example/files/fw.bin", "name": "T45",)") +
           R"( "version_name": "V2.0", "version": ")" + std::string(version) +
           R"(", "device_id": 7)" + std::string(extra) + "}";
}

TEST(UpdateRequest, KeyAndBodyPerTarget) {
    const auto targets = KeyboardAndProgram();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(ApplicationKey(targets[0]), "TOVRA_1_QB42M16D_T45_1");
    EXPECT_EQ(RequestBody(targets[0]), "app_key=TOVRA_1_QB42M16D_T45_1&version=105");
    EXPECT_EQ(TargetName(targets[0]), "T45");
    EXPECT_EQ(LocalVersionText(targets[0]), "V0105");

    EXPECT_EQ(ApplicationKey(targets[1]), "TOVRA_0_ALL_R17_T46_T45_1");
    EXPECT_EQ(RequestBody(targets[1]), "app_key=TOVRA_0_ALL_R17_T46_T45_1&version=10");
    EXPECT_EQ(TargetName(targets[1]), "AP");
    EXPECT_EQ(LocalVersionText(targets[1]), "V0.1.0");

    // Text that would break the form is escaped; no vendor reads NULL.
    UpdateTarget odd = targets[0];
    odd.vendor.clear();
    odd.model = "T4 5&x=1/é";
    EXPECT_EQ(RequestBody(odd), "app_key=NULL_1_QB42M16D_T4%205%26x%3D1%2F%C3%A9_1&version=105");
}

TEST(UpdateRequest, ProgramVersionFromItsText) {
    EXPECT_EQ(ApplicationVersionNumber("0.1.0"), 10u);
    EXPECT_EQ(ApplicationVersionNumber("1000.02"), 100002u);
    for (const char* bad : {"", "0.0", "1.2-rc1", "v1.2", "99999999999", " 1.0"})
        EXPECT_FALSE(ApplicationVersionNumber(bad)) << bad;
}

TEST(UpdateRequest, ServerFromTheCommandLineOrTheBuild) {
    EXPECT_EQ(ChooseUpdateServer("https://127.0.0.1:8443/api/").apiBase,
              "https://127.0.0.1:8443/api/");
    EXPECT_EQ(ChooseUpdateServer("").apiBase, BuiltUpdateUrl());
    EXPECT_EQ(UpdateServer{"https://u.example/api"}.UpdatesUrl(), "https://u.example/api/updates");
    EXPECT_EQ(UpdateServer{"https://u.example/api/"}.UpdatesUrl(), "https://u.example/api/updates");
    // The program's own row needs a version the server can compare.
    const auto version = ApplicationVersionNumber(BuiltVersionText());
    ASSERT_TRUE(version) << BuiltVersionText();

    // With the mouse and the keyboard connected: each one's firmware and the
    // program.
    const std::vector<int32_t> tabs{0x0102, 0x0105, 0, 0};
    const auto targets = CurrentUpdateTargets(Catalogue::Shipped(), tabs);
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_EQ(targets[0].image, "QB42M16D");
    EXPECT_EQ(targets[0].currentVersion, 0x0105u);
    EXPECT_EQ(targets[1].image, "QB42M09D_1");
    EXPECT_EQ(targets[1].currentVersion, 0x0102u);
    EXPECT_TRUE(targets[2].IsApplication());
    EXPECT_EQ(targets[2].currentVersion, *version);
    EXPECT_EQ(targets[2].versionText, "V" + std::string(BuiltVersionText()));
}

TEST(UpdateAnswer, VersionIsAWholeNumberInTheTargetsBase) {
    struct Case {
        const char* text;
        bool hex;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {"105", true, 0x105},
        {"00ff", true, 0xFF},
        {"FFFFFFFF", true, 0xFFFFFFFFu},
        {"100000000", true, std::nullopt},
        {"105", false, 105},
        {"4294967295", false, 4294967295u},
        {"4294967296", false, std::nullopt},
        {"ff", false, std::nullopt},
        {"", true, std::nullopt},
        {"0x105", true, std::nullopt},
        {"1.2", false, std::nullopt},
        {"+5", false, std::nullopt},
        {"-1", false, std::nullopt},
        {" 5", false, std::nullopt},
        {"5 ", false, std::nullopt},
        {"zz", true, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseVersionNumber(c.text, c.hex), c.expected) << c.text << " hex " << c.hex;
}

TEST(UpdateAnswer, ParsesOneObjectOrSaysWhatIsWrong) {
    struct Case {
        std::string body;
        CheckFailure failure;
    };
    const std::string sha(64, 'A');
    const Case cases[] = {
        {Answer("106"), CheckFailure::None},
        {Answer("106", R"(, "sha256": ")" + sha + "\""), CheckFailure::None},
        {Answer("106") + std::string(kMaxAnswerBytes, ' '), CheckFailure::TooLarge},
        {"<html>busy</html>", CheckFailure::NotJson},
        {"", CheckFailure::NotJson},
        {"[" + Answer("106") + "]", CheckFailure::NotJson},
        {Answer("106") + " trailing", CheckFailure::NotJson},
        {Answer("106") + "// note", CheckFailure::NotJson},
        {R"({"name": "a", "name": "b"})", CheckFailure::NotJson},
        {std::string(40, '[') + std::string(40, ']'), CheckFailure::NotJson},
        {R"({"path": "x", "name": "T45", "version_name": "", "version": "1"})",
         CheckFailure::BadField},
        {R"({"path": "x", "name": "T45", "version_name": "", "version": 1, "device_id": 7})",
         CheckFailure::BadField},
        {R"({"path": "x", "name": "T45", "version_name": "", "version": "1", "device_id": "7"})",
         CheckFailure::BadField},
        {Answer("106", R"(, "sha256": "abc")"), CheckFailure::BadField},
        {Answer("106", R"(, "sha256": null)"), CheckFailure::None},
        {Answer("1.0.6"), CheckFailure::BadVersion},
        {Answer("zz"), CheckFailure::BadVersion},
        {R"({"path": "x", "name": "../../.bashrc", "version_name": "", "version": "1",)"
         R"( "device_id": 1})",
         CheckFailure::BadName},
        {R"({"path": "x", "name": "a/b", "version_name": "", "version": "1", "device_id": 1})",
         CheckFailure::BadName},
    };
    for (const Case& c : cases) {
        const ParsedAnswer parsed = ParseUpdateAnswer(c.body, true);
        EXPECT_EQ(parsed.failure, c.failure) << c.body.substr(0, 120);
    }
    const ParsedAnswer good =
        ParseUpdateAnswer(Answer("106", R"(, "sha256": ")" + sha + "\""), true);
    EXPECT_EQ(good.answer.version, 0x106u);
    EXPECT_EQ(good.answer.deviceId, 7);
    EXPECT_EQ(good.answer.name, "T45");
    EXPECT_EQ(good.answer.sha256, std::string(64, 'a'));
}

TEST(UpdateCheck, EachTargetEndsNewerUpToDateOrFailed) {
    struct Case {
        const char* name;
        HttpResponse response;
        CheckFailure failure;
        RowStatus status;
        const char* serverText;
    };
    const Case cases[] = {
        {"newer", JsonAnswer(Answer("106")), CheckFailure::None, RowStatus::NeedUpdate, "V106"},
        {"same", JsonAnswer(Answer("105")), CheckFailure::None, RowStatus::UpToDate, "V105"},
        {"older", JsonAnswer(Answer("104")), CheckFailure::None, RowStatus::UpToDate, "V104"},
        {"unreachable",
         {HttpFailure::Unreachable, 0, {}, {}, "refused"},
         CheckFailure::Transfer,
         RowStatus::NoInfo,
         ""},
        {"certificate",
         {HttpFailure::Tls, 0, {}, {}, "unknown CA"},
         CheckFailure::Transfer,
         RowStatus::NoInfo,
         ""},
        {"too large",
         {HttpFailure::TooLarge, 200, {}, {}, {}},
         CheckFailure::TooLarge,
         RowStatus::NoInfo,
         ""},
        {"not found", JsonAnswer(Answer("106"), 404), CheckFailure::HttpStatus, RowStatus::NoInfo,
         ""},
        {"error page", JsonAnswer("<html/>"), CheckFailure::NotJson, RowStatus::NoInfo, ""},
        {"path over http",
         JsonAnswer(R"({"path": "http://updates.example/f", "name": "T45", "version_name": "",)"
                    R"( "version": "106", "device_id": 7})"),
         CheckFailure::BadPath, RowStatus::NoInfo, ""},
        {"path on another host",
         JsonAnswer(R"({"path": "https://elsewhere.example/f", "name": "T45",)"
                    R"( "version_name": "", "version": "106", "device_id": 7})"),
         CheckFailure::BadPath, RowStatus::NoInfo, ""},
        {"path as a local file",
         JsonAnswer(R"({"path": "file:///etc/passwd", "name": "T45", "version_name": "",)"
                    R"( "version": "106", "device_id": 7})"),
         CheckFailure::BadPath, RowStatus::NoInfo, ""},
    };
    const UpdateTarget keyboard = KeyboardAndProgram()[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpClient client;
        client.answer = [&](const HttpRequest&) { return c.response; };
        const TargetAnswer answer = CheckTarget(client, kServer, keyboard, {});
        EXPECT_EQ(answer.failure, c.failure);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.serverVersionText, c.serverText);
        EXPECT_EQ(answer.localVersionText, "V0105");
        // A failed row never reads as up to date.
        if (answer.Failed()) {
            EXPECT_STREQ(RowStatusTextKey(answer.status, true), kCheckFailedTextKey);
        }

        const auto requests = client.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].url, "https://updates.example/api/updates");
        EXPECT_EQ(requests[0].body, "app_key=TOVRA_1_QB42M16D_T45_1&version=105");
        EXPECT_EQ(requests[0].maxBodyBytes, kMaxAnswerBytes);
    }
}

TEST(UpdateCheck, ProgramTargetComparesDecimalVersionsAndShowsTheVersionName) {
    const UpdateTarget program = KeyboardAndProgram()[1];
    FakeHttpClient client;
    client.answer = [](const HttpRequest&) { return JsonAnswer(Answer("11")); };
    const TargetAnswer answer = CheckTarget(client, kServer, program, {});
    EXPECT_EQ(answer.status, RowStatus::NeedUpdate);
    EXPECT_EQ(answer.serverVersionText, "V2.0");
    EXPECT_EQ(answer.localVersionText, "V0.1.0");
}

TEST(UpdateCheck, WindowSaysUpToDateOnlyWhenEveryTargetAnswered) {
    const HttpResponse same = JsonAnswer(Answer("105"));
    const HttpResponse newer = JsonAnswer(Answer("106"));
    const HttpResponse down{HttpFailure::Unreachable, 0, {}, {}, {}};
    struct Case {
        const char* name;
        HttpResponse keyboard;
        HttpResponse program;  // version 10, so "105" is newer for it
        WindowStatus status;
        bool anyAnswered;
    };
    const Case cases[] = {
        {"all current", same, JsonAnswer(Answer("10")), WindowStatus::UpToDate, true},
        {"one newer", newer, JsonAnswer(Answer("10")), WindowStatus::UpdatesFound, true},
        {"newer beside a failure", newer, down, WindowStatus::UpdatesFound, true},
        {"current beside a failure", same, down, WindowStatus::CheckFailed, true},
        {"all failed", down, JsonAnswer("nope"), WindowStatus::CheckFailed, false},
    };
    const auto targets = KeyboardAndProgram();
    const kelno::test::FixedWallClock clock({2026, 5, 6, 0, 0, 0, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpClient client;
        client.answer = [&](const HttpRequest& request) {
            return request.body.find("ALL") != std::string::npos ? c.program : c.keyboard;
        };
        kelno::test::TempFolder folder;
        const LastCheckDate lastCheck(folder / kLastCheckFileName, clock);
        std::vector<size_t> heard;
        const CheckPassResult pass = RunCheckPass(
            client, kServer, targets, {},
            [&](size_t i, const TargetAnswer&) { heard.push_back(i); }, &lastCheck);
        EXPECT_EQ(pass.status, c.status);
        EXPECT_EQ(pass.anyAnswered, c.anyAnswered);
        // The date says when the server last answered, not when it was asked.
        EXPECT_EQ(lastCheck.Read(),
                  c.anyAnswered ? std::optional<std::string>("2026-5-6") : std::nullopt);
        EXPECT_EQ(heard, (std::vector<size_t>{0, 1}));
        ASSERT_EQ(pass.answers.size(), 2u);
    }
}

TEST(UpdateCheck, NoServerAsksNothingAndSaysSo) {
    FakeHttpClient client;
    const auto targets = KeyboardAndProgram();
    const CheckPassResult pass = RunCheckPass(client, UpdateServer{}, targets, {});
    EXPECT_EQ(pass.status, WindowStatus::NotConfigured);
    EXPECT_STREQ(WindowStatusTextKey(pass.status), "UpdateNotConfiguredText");
    EXPECT_TRUE(client.Requests().empty());
    EXPECT_EQ(CheckTarget(client, UpdateServer{}, targets[0], {}).failure,
              CheckFailure::NotConfigured);
}

TEST(UpdateCheck, StoppedPassIsNotUpToDate) {
    FakeHttpClient client;
    std::stop_source stop;
    client.answer = [&](const HttpRequest&) {
        stop.request_stop();
        return JsonAnswer(Answer("105"));
    };
    const CheckPassResult pass =
        RunCheckPass(client, kServer, KeyboardAndProgram(), stop.get_token());
    EXPECT_EQ(pass.answers.size(), 1u);
    EXPECT_EQ(pass.status, WindowStatus::CheckFailed);
}

TEST(UpdateRows, StatusTextsAndSelection) {
    struct Case {
        RowStatus status;
        const char* key;
        bool selectable;
    };
    const Case cases[] = {
        {RowStatus::NoInfo, "LessUpdateText", false},
        {RowStatus::NeedUpdate, "NeedUpdateText", true},
        {RowStatus::NeedUpdateAgain, "NeedUpdateText", true},
        {RowStatus::DownloadWaiting, "DownloadWaitText", false},
        {RowStatus::Downloading, "DownloadIngText", false},
        {RowStatus::Downloaded, "DownloadOkText", false},
        {RowStatus::Updating, "UpdateIngText", false},
        {RowStatus::UpToDate, "UpdateOkText", false},
        {RowStatus::UpdateFailed, "UpdateFailText", true},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(RowStatusTextKey(c.status, false), c.key);
        EXPECT_STREQ(RowStatusTextKey(c.status, true), kCheckFailedTextKey);
        EXPECT_EQ(RowSelectable(c.status), c.selectable) << c.key;
    }
}

TEST(LastCheckDate, StoredAsDayWithoutLeadingZeros) {
    kelno::test::TempFolder folder;
    kelno::test::FixedWallClock clock({2026, 3, 4, 10, 0, 0, 0});
    const LastCheckDate date(folder / kLastCheckFileName, clock);
    EXPECT_FALSE(date.Read());
    EXPECT_EQ(date.ReadOrWriteToday(), "2026-3-4");
    EXPECT_EQ(date.Read(), "2026-3-4");
    const Json::Value stored = ParseJsonText(folder.ReadFile(kLastCheckFileName));
    EXPECT_EQ(stored["updatelasttime"]["value"].asString(), "2026-3-4");

    clock.Set({2026, 12, 25, 0, 0, 0, 0});
    EXPECT_EQ(date.ReadOrWriteToday(), "2026-3-4");  // a stored date stays
    EXPECT_TRUE(date.WriteToday());
    EXPECT_EQ(date.Read(), "2026-12-25");

    // Anything but a date is not shown.
    for (const char* text :
         {R"({"updatelasttime": {"value": "<b>1</b>"}})", R"({"updatelasttime": {"value": 5}})",
          R"({"updatelasttime": "2026-1-1"})", "not json",
          R"({"updatelasttime": {"value": "1-2"}})"}) {
        folder.WriteFile(kLastCheckFileName, text);
        EXPECT_FALSE(date.Read()) << text;
    }
}

}  // namespace
}  // namespace kelno::update
