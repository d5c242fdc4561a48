// The settings window's update check and download on the real program under
// Xvfb, against the loopback HTTPS test server (its own process, with its
// own certificate authority) and a stand-in file manager on a private
// session bus: what a newer version shows, a verified download that lands
// in the private folder and is shown (never run), a failing server that
// never reads as "up to date", a download whose hash does not match, and a
// window that closes and checks again when reopened.

#include <fcntl.h>
#include <gio/gio.h>
#include <poll.h>
#include <sys/stat.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <optional>

#include "devices/detect/catalogue.h"
#include "panels_e2e_fixture.h"
#include "skin/automation/automation_protocol.h"
#include "skin/core/resource_manager.h"
#include "support/command_run.h"
#include "update/stand_in_file_manager.h"
#include "update/test_https_server.h"

namespace kelno::test {
namespace {

using update::test::kFirmware;
using update::test::PrivateBus;
using update::test::StandInFileManager;

// --- the update server --------------------------------------------------------

// kelno-test-update-server as a child process: its API base, its authority
// and the scripted answer of the update check, set through its standard input.
class UpdateServerProcess {
  public:
    UpdateServerProcess() = default;
    UpdateServerProcess(const UpdateServerProcess&) = delete;
    UpdateServerProcess& operator=(const UpdateServerProcess&) = delete;
    ~UpdateServerProcess() { Stop(); }

    // Starts it with its certificates in `folder`; false, with why, when it
    // does not say it is ready.
    bool Start(const fs::path& folder, std::string& why) {
        int toServer[2];
        int fromServer[2];
        // Close-on-exec: the program under test, forked later, must not hold
        // the server's standard input open.
        if (pipe2(toServer, O_CLOEXEC) != 0 || pipe2(fromServer, O_CLOEXEC) != 0) {
            why = "pipe failed";
            return false;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toServer[0], 0);
            dup2(fromServer[1], 1);
            execl(KELNO_TEST_UPDATE_SERVER, "kelno-test-update-server", folder.c_str(), nullptr);
            _exit(127);
        }
        close(toServer[0]);
        close(fromServer[1]);
        in_ = toServer[1];
        out_ = fromServer[0];
        if (pid_ < 0) {
            why = "fork failed";
            return false;
        }
        // Making the certificates runs the openssl command a few times.
        const std::optional<std::string> ready = ReadLine(60s);
        const std::vector<std::string> words = Words(ready.value_or(""));
        if (words.size() != 3 || words[0] != "ready") {
            why = "the server said: " + ready.value_or("nothing");
            return false;
        }
        apiBase_ = words[1];
        caFile_ = words[2];
        return true;
    }

    // The answer every update check gets from now on.
    bool Answer(int status, const std::string& body) {
        const std::string line = "answer " + std::to_string(status) + " " + body + "\n";
        if (write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return false;
        return ReadLine(20s) == "ok";
    }

    void Stop() {
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        in_ = out_ = -1;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    const std::string& ApiBase() const { return apiBase_; }
    const std::string& CaFile() const { return caFile_; }
    // The address of one of the server's files ("/files/fw.bin"), on the
    // API's host.
    std::string Url(std::string_view path) const {
        const size_t hostEnd = apiBase_.find('/', std::string_view("https://").size());
        return apiBase_.substr(0, hostEnd) + std::string(path);
    }

  private:
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;  // hang guard
        while (buffered_.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[256];
            const ssize_t got = read(out_, chunk, sizeof chunk);
            if (got <= 0) return std::nullopt;
            buffered_.append(chunk, static_cast<size_t>(got));
        }
        const size_t end = buffered_.find('\n');
        std::string line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return line;
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffered_;
    std::string apiBase_;
    std::string caFile_;
};

// What the update check answers for every row.
struct Offer {
    std::string path;         // an https address on the server
    std::string version;      // hex for firmware rows, decimal for the program's
    std::string versionName;  // what the program's row shows
    std::optional<std::string> sha256;
};

std::string OfferJson(const Offer& offer) {
    std::string json = "{\"path\": \"" + offer.path +
                       "\", \"name\": \"fw.bin\", \"version_name\": \"" + offer.versionName +
                       "\", \"version\": \"" + offer.version + "\", \"device_id\": 1";
    if (offer.sha256) json += ", \"sha256\": \"" + *offer.sha256 + "\"";
    return json + "}";
}

std::string FirmwareSha256() {
    gchar* hex = g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(kFirmware.data()), kFirmware.size());
    std::string text = hex;
    g_free(hex);
    return text;
}

// --- the window -----------------------------------------------------------------

// The English text of a text id: a fresh data folder starts in English.
std::string English(const std::string& id) {
    auto& resources = skin::CResourceManager::GetInstance();
    static const bool loaded = resources.LoadLanguage(KELNO_SKIN_DIR "/lan_en.xml");
    EXPECT_TRUE(loaded) << resources.GetLastError();
    EXPECT_TRUE(resources.HasText(id)) << "no English text for " << id;
    return resources.GetText(id);
}

// The text of a `find` reply (its last field), or "" for an error.
std::string TextOf(const std::string& reply) {
    const size_t at = reply.find(" text=");
    return reply.starts_with("ok ") && at != std::string::npos
               ? skin::UnescapeLineText(reply.substr(at + 6))
               : std::string();
}

bool Flag(const std::string& reply, const std::string& name) {
    return reply.find(" " + name + "=1 ") != std::string::npos;
}

// The control `name` of list row `row`. Names are matched without regard to
// case, so the window's own "Update_Status_text" (before the list) is the
// first "update_status_text" and the rows' come after it.
std::string RowRef(const std::string& name, size_t row) {
    const bool afterWindowLabel = g_ascii_strcasecmp(name.c_str(), "update_status_text") == 0;
    return name + "#" + std::to_string(row + (afterWindowLabel ? 1 : 0));
}

// Names of the files in a folder (none when it does not exist).
std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The permission bits of a file, for messages in octal.
int ModeOf(const fs::path& path) {
    return static_cast<int>(fs::status(path).permissions() & fs::perms::mask);
}

// Today's local date as the last-check file keeps it ("Y-M-D", no leading
// zeros).
std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
           std::to_string(local.tm_mday);
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr const char* kApplicationRow = "AP";

class UpdateEndToEnd : public PanelsEndToEnd {
  protected:
    void SetUp() override {
        if (!fs::exists(KELNO_TEST_UPDATE_SERVER))
            GTEST_SKIP() << "the update test server is not built: " << KELNO_TEST_UPDATE_SERVER;
        if (!bus_.Address()) GTEST_SKIP() << "no private bus (dbus-daemon missing?)";
        std::string why;
        ASSERT_TRUE(server_.Start(serverFolder_.Path(), why)) << why;
        // Set before the program starts, in case it checks on its own.
        const auto [status, body] = ScriptedAnswer();
        ASSERT_TRUE(server_.Answer(status, body));
        ASSERT_TRUE(fileManager_.Start(bus_.Address(), why)) << why;
        environment_.emplace_back("DBUS_SESSION_BUS_ADDRESS", bus_.Address());
        environment_.emplace_back("XDG_CACHE_HOME", (folder_ / "cache").string());
        // The private bus has no accessibility bus to offer.
        environment_.emplace_back("NO_AT_BRIDGE", "1");
        PanelsEndToEnd::SetUp();
    }
    void TearDown() override {
        PanelsEndToEnd::TearDown();
        fileManager_.Stop();
        server_.Stop();
    }
    // A check that got an answer long ago: a failed check must leave it, an
    // answered one replaces it.
    void PrepareData() override { std::ofstream(data_ / "updatetime.config") << kLongAgoFile; }
    std::string DemoOption() const override { return "--demo=keyboard"; }
    std::vector<std::string> ExtraArguments() const override {
        return {"--update-url", server_.ApiBase(), "--update-ca", server_.CaFile()};
    }

    // The update check's answer (status, body): a newer version of the test
    // server's firmware file with its hash, unless a test says otherwise.
    virtual std::pair<int, std::string> ScriptedAnswer() const {
        return {200, OfferJson(NewerOffer())};
    }
    Offer NewerOffer() const {
        return {server_.Url("/files/fw.bin"), "9999", kNewerVersionName, FirmwareSha256()};
    }

    fs::path DownloadFolder() const { return folder_ / "cache" / "KELNO Driver" / "UpdateData"; }

    // Waits for the keyboard (its firmware row needs its release number),
    // then opens the settings window with the settings button.
    void OpenSettings(LineClient& app, LineClient& emulator) {
        ASSERT_FALSE(OpenKeyboardPage(app, emulator).empty()) << Output();
        ASSERT_EQ(app.Ask("click setbtn"), "ok") << Output();
        ASSERT_EQ(app.Ask("wait-visible device_update_list_info 10000"), "ok") << Output();
    }
    // Opens the window and waits for its check to end with the window status
    // `statusId`; the target names of the rows, in order.
    std::vector<std::string> OpenAndCheck(LineClient& app, LineClient& emulator,
                                          const std::string& statusId) {
        OpenSettings(app, emulator);
        if (::testing::Test::HasFatalFailure()) return {};
        EXPECT_EQ(WaitForWindowStatus(app, statusId), English(statusId)) << Output();
        return RowNames(app);
    }
    // "Update", then "Download": the marked rows are fetched.
    void DownloadMarkedRows(LineClient& app) {
        ASSERT_EQ(app.Ask("click update_fw_and_ap"), "ok");
        ASSERT_EQ(app.Ask("wait-visible update_OK_btn 10000"), "ok") << Output();
        ASSERT_EQ(app.Ask("click update_OK_btn"), "ok");
    }
    // The window's status text once it starts with the text of `id` (the
    // last one seen otherwise).
    std::string WaitForWindowStatus(LineClient& app, const std::string& id) {
        const std::string expected = English(id);
        return TextOf(AskUntil(app, "find Update_Status_text", [&](const std::string& reply) {
            return TextOf(reply).starts_with(expected);
        }));
    }
    // The text of a control once it is `expected` (the last one seen
    // otherwise).
    std::string WaitForText(LineClient& app, const std::string& ref, const std::string& expected) {
        return TextOf(AskUntil(app, "find " + ref, [&](const std::string& reply) {
            return TextOf(reply) == expected;
        }));
    }
    // The target names of the list's rows, in order.
    std::vector<std::string> RowNames(LineClient& app) {
        std::vector<std::string> names;
        for (size_t row = 0; row < 8; ++row) {
            const std::string reply = app.Ask("find " + RowRef("check_name_select", row));
            if (!reply.starts_with("ok ")) break;
            names.push_back(TextOf(reply));
        }
        return names;
    }

    // The whole screen, the settings window and its message boxes included
    // (the automation's screenshot is the main window's); an artefact only.
    void ScreenshotScreen(const std::string& name) {
        RunCommand("DISPLAY=" + display_.Name() + " import -window root '" +
                   (artefacts_ / name).string() + "' 2>&1");
    }
    std::string LastCheckFile() const { return ReadFileText(data_ / "updatetime.config"); }

    static constexpr const char* kNewerVersionName = "V9.9.9";
    static constexpr const char* kLongAgoFile = R"({"updatelasttime": {"value": "2020-1-2"}})";

    TempFolder serverFolder_;
    UpdateServerProcess server_;
    PrivateBus bus_;
    StandInFileManager fileManager_;
};

TEST_F(UpdateEndToEnd, TheSettingsButtonChecksAndShowsANewerVersionMarked) {
    LineClient app;
    LineClient emulator;
    // The keyboard's firmware, then the program itself.
    const std::vector<std::string> rows = OpenAndCheck(app, emulator, "HaveUpdateInfoText");
    ScreenshotScreen("update-e2e-newer-version.png");
    ASSERT_EQ(rows.size(), 2u) << Output();
    EXPECT_NE(rows[0], kApplicationRow);
    EXPECT_EQ(rows[1], kApplicationRow);
    // A firmware row shows the hex version, the program's row the version name.
    const std::string shownVersion[] = {"V9999", kNewerVersionName};
    for (size_t row = 0; row < rows.size(); ++row) {
        SCOPED_TRACE(rows[row]);
        EXPECT_EQ(TextOf(app.Ask("find " + RowRef("updateRev", row))), shownVersion[row]);
        EXPECT_TRUE(Flag(app.Ask("find " + RowRef("check_name_select", row)), "selected"));
        EXPECT_EQ(TextOf(app.Ask("find " + RowRef("update_status_text", row))),
                  English("NeedUpdateText"));
    }
    EXPECT_EQ(TextOf(app.Ask("find " + RowRef("OldRev", 1))), "V" KELNO_VERSION_TEXT);
    const std::string update = app.Ask("find update_fw_and_ap");
    EXPECT_TRUE(Flag(update, "visible") && Flag(update, "enabled")) << update;
}

TEST_F(UpdateEndToEnd, AVerifiedDownloadLandsInThePrivateFolderAndIsShownNotRun) {
    LineClient app;
    LineClient emulator;
    const std::vector<std::string> rows = OpenAndCheck(app, emulator, "HaveUpdateInfoText");
    ASSERT_EQ(rows.size(), 2u) << Output();
    // Only the keyboard's firmware: the program's own row is unmarked.
    ASSERT_EQ(app.Ask("click " + RowRef("check_name_select", 1)), "ok");
    const std::string unmarked =
        AskUntil(app, "find " + RowRef("check_name_select", 1),
                 [](const std::string& r) { return !Flag(r, "selected"); });
    ASSERT_FALSE(Flag(unmarked, "selected")) << unmarked;
    ASSERT_NO_FATAL_FAILURE(DownloadMarkedRows(app));

    EXPECT_EQ(WaitForText(app, RowRef("update_status_text", 0), English("DownloadOkText")),
              English("DownloadOkText"))
        << Output();
    EXPECT_EQ(TextOf(app.Ask("find " + RowRef("update_progress_value", 0))), "100%");
    EXPECT_TRUE(Flag(app.Ask("find " + RowRef("update_status_ok", 0)), "visible"));
    EXPECT_EQ(TextOf(app.Ask("find " + RowRef("update_status_text", 1))), English("NeedUpdateText"))
        << "the unmarked row is left alone";

    // Named after the row's image, with the address's extension.
    const auto& table = Catalogue::Shipped().FirmwareTable();
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&](const FirmwareEntry& e) { return e.modelName == rows[0]; });
    ASSERT_NE(entry, table.end()) << rows[0];
    const fs::path file = DownloadFolder() / (entry->imageName + ".bin");

    ASSERT_EQ(app.Ask("wait-visible MessageText 20000"), "ok") << Output();
    EXPECT_NE(TextOf(app.Ask("find MessageText")).find(file.string()), std::string::npos)
        << app.Ask("find MessageText");
    ScreenshotScreen("update-e2e-downloaded.png");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");

    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    EXPECT_EQ(fileManager_.WaitForUris(), std::vector<std::string>{uri});
    g_free(uri);
    EXPECT_EQ(ReadBytes(file), kFirmware);
    EXPECT_EQ(ModeOf(file) & 0111, 0) << std::oct << ModeOf(file);
    EXPECT_EQ(ModeOf(DownloadFolder()), 0700) << std::oct << ModeOf(DownloadFolder());
    // No temporary file left beside it, and nothing else in the program's
    // cache folder.
    EXPECT_EQ(Entries(DownloadFolder()), std::vector<std::string>{file.filename().string()});
    EXPECT_EQ(Entries(DownloadFolder().parent_path()), std::vector<std::string>{"UpdateData"});
}

// A download whose bytes do not match the answer's hash.
class WrongHashEndToEnd : public UpdateEndToEnd {
  protected:
    std::pair<int, std::string> ScriptedAnswer() const override {
        Offer offer = NewerOffer();
        (*offer.sha256)[0] = (*offer.sha256)[0] == '0' ? '1' : '0';
        return {200, OfferJson(offer)};
    }
};

TEST_F(WrongHashEndToEnd, TheRowsFailAndNoFileIsLeft) {
    LineClient app;
    LineClient emulator;
    const std::vector<std::string> rows = OpenAndCheck(app, emulator, "HaveUpdateInfoText");
    ASSERT_FALSE(rows.empty()) << Output();
    ASSERT_NO_FATAL_FAILURE(DownloadMarkedRows(app));

    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_EQ(WaitForText(app, RowRef("update_status_text", row), English("UpdateFailText")),
                  English("UpdateFailText"))
            << rows[row] << "\n"
            << Output();
    }
    EXPECT_EQ(Entries(DownloadFolder()), std::vector<std::string>{});
    EXPECT_EQ(fileManager_.Uris(), std::vector<std::string>{});
}

// A server that answers, but not with an update: never "up to date".
struct FailingAnswer {
    const char* name;
    int status;
    const char* body;
};

// The case's name, in test listings and messages.
void PrintTo(const FailingAnswer& answer, std::ostream* out) {
    *out << answer.name;
}

class FailingServerEndToEnd : public UpdateEndToEnd,
                              public ::testing::WithParamInterface<FailingAnswer> {
  protected:
    std::pair<int, std::string> ScriptedAnswer() const override {
        return {GetParam().status, GetParam().body};
    }
};

TEST_P(FailingServerEndToEnd, EveryRowShowsTheFailedCheck) {
    LineClient app;
    LineClient emulator;
    const std::vector<std::string> rows = OpenAndCheck(app, emulator, "NoUpdateInfoText");
    ASSERT_FALSE(rows.empty()) << Output();
    for (size_t row = 0; row < rows.size(); ++row) {
        SCOPED_TRACE(rows[row]);
        EXPECT_EQ(TextOf(app.Ask("find " + RowRef("update_status_text", row))),
                  English("UpdateCheckFailText"));
        EXPECT_FALSE(Flag(app.Ask("find " + RowRef("check_name_select", row)), "selected"));
    }
    const std::string update = app.Ask("find update_fw_and_ap");
    EXPECT_FALSE(Flag(update, "visible") && Flag(update, "enabled")) << update;
    EXPECT_NE(LastCheckFile().find("\"2020-1-2\""), std::string::npos)
        << "a failed check is no last check: " << LastCheckFile();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FailingServerEndToEnd,
    ::testing::Values(FailingAnswer{"ServerError", 500, "{\"error\": \"down\"}"},
                      FailingAnswer{"NotJson", 200, "<html><body>maintenance</body></html>"}),
    [](const ::testing::TestParamInfo<FailingAnswer>& info) { return info.param.name; });

TEST_F(UpdateEndToEnd, LaterClosesTheWindowAndTheNextOpenChecksAgain) {
    LineClient app;
    LineClient emulator;
    ASSERT_NO_FATAL_FAILURE(OpenSettings(app, emulator));
    ASSERT_EQ(WaitForWindowStatus(app, "HaveUpdateInfoText"), English("HaveUpdateInfoText"))
        << Output();
    // While it is open the main window's button opens no second one.
    app.Ask("click setbtn");
    EXPECT_NE(app.Ask("wait-visible device_update_list_info#1 2000"), "ok");

    // From now on the server offers only an older version.
    ASSERT_TRUE(server_.Answer(200, OfferJson({server_.Url("/files/fw.bin"), "1", "V0.0.1", {}})));
    ASSERT_EQ(app.Ask("click laterbtn"), "ok");
    const std::string closed = AskUntil(app, "find device_update_list_info",
                                        [](const std::string& r) { return !Flag(r, "visible"); });
    EXPECT_FALSE(Flag(closed, "visible")) << closed;

    const std::string settings = app.Ask("find setbtn");
    EXPECT_TRUE(Flag(settings, "visible") && Flag(settings, "enabled")) << settings;
    ASSERT_EQ(app.Ask("click setbtn"), "ok");
    ASSERT_EQ(app.Ask("wait-visible device_update_list_info 10000"), "ok") << Output();
    // Followed by the date of this check, not the one stored before.
    const std::string before = TodayText();
    const std::string upToDate = WaitForWindowStatus(app, "UpdateIsLastText");
    const std::string after = TodayText();
    EXPECT_THAT(upToDate, ::testing::AnyOf(English("UpdateIsLastText") + " " + before,
                                           English("UpdateIsLastText") + " " + after))
        << Output();
    ScreenshotScreen("update-e2e-up-to-date.png");
    const std::vector<std::string> rows = RowNames(app);
    ASSERT_FALSE(rows.empty()) << Output();
    for (size_t row = 0; row < rows.size(); ++row) {
        SCOPED_TRACE(rows[row]);
        EXPECT_EQ(TextOf(app.Ask("find " + RowRef("update_status_text", row))),
                  English("UpdateOkText"));
        EXPECT_FALSE(Flag(app.Ask("find " + RowRef("check_name_select", row)), "selected"));
    }
    EXPECT_THAT(LastCheckFile(), ::testing::AnyOf(::testing::HasSubstr("\"" + before + "\""),
                                                  ::testing::HasSubstr("\"" + after + "\"")));
}

}  // namespace
}  // namespace kelno::test
