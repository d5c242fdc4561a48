#include "update/downloader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "core/worker_thread.h"
#include "support/temp_folder.h"
#include "update/fake_http_client.h"
#include "update/recording_launcher.h"
#include "update/update_passes.h"

namespace kelno::update {
namespace {

namespace fs = std::filesystem;
using test::FakeHttpClient;
using test::kAbcdefSha;
using test::RecordingLauncher;
using test::ScriptedDownload;

const UpdateServer kServer{"https://updates.example/api/"};
const std::string kUrl = "https://updates.example/files/fw-2.bin";

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

class DownloaderTest : public ::testing::Test {
  protected:
    // Every file below the test's folder, relative, the download folder
    // itself left out.
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(temp_.Path()))
            if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), temp_.Path()));
        std::sort(files.begin(), files.end());
        return files;
    }

    DownloadOutcome Fetch(const DownloadJob& job, uint64_t maxBytes = kMaxDownloadBytes) {
        Downloader downloader(client_, kServer, folder_, maxBytes);
        return downloader.Fetch(job, {}, {});
    }

    kelno::test::TempFolder temp_;
    fs::path folder_ = DownloadFolder(temp_ / "cache/KELNO Driver");
    FakeHttpClient client_;
};

TEST_F(DownloaderTest, KeepsOnlyAVerifiedFileInThePrivateFolder) {
    struct Case {
        const char* name;
        ScriptedDownload script;
        std::optional<std::string> sha256;
        uint64_t maxBytes;
        DownloadFailure failure;
    };
    const auto script = [](long status, std::vector<std::string> chunks,
                           std::optional<uint64_t> length, HttpFailure end = HttpFailure::None) {
        return ScriptedDownload{status, std::move(chunks), length, end, false};
    };
    const Case cases[] = {
        {"with length", script(200, {"abc", "def"}, 6), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::None},
        {"without length, to the end", script(200, {"abc", "def"}, std::nullopt), kAbcdefSha,
         kMaxDownloadBytes, DownloadFailure::None},
        {"wrong hash", script(200, {"abc", "deg"}, 6), kAbcdefSha, kMaxDownloadBytes,
         DownloadFailure::HashMismatch},
        {"error page", script(404, {"<html>not found</html>"}, 22), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::HttpStatus},
        {"redirect", script(302, {}, 0), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::HttpStatus},
        {"cut short", script(200, {"abc"}, 6, HttpFailure::Truncated), std::nullopt,
         kMaxDownloadBytes, DownloadFailure::Transfer},
        {"fewer bytes than announced", script(200, {"abc"}, 6), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::SizeMismatch},
        {"more bytes than announced", script(200, {"abcdef", "g"}, 6), std::nullopt,
         kMaxDownloadBytes, DownloadFailure::SizeMismatch},
        {"empty", script(200, {}, 0), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::SizeMismatch},
        {"above the bound", script(200, {"abc", "def"}, std::nullopt), std::nullopt, 4,
         DownloadFailure::Transfer},
        {"stalled", script(200, {"abc"}, 6, HttpFailure::Stalled), std::nullopt, kMaxDownloadBytes,
         DownloadFailure::Transfer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(temp_.Path() / "cache");
        client_.download = c.script;
        const DownloadOutcome outcome = Fetch({kUrl, "QB42M16D", c.sha256}, c.maxBytes);
        EXPECT_EQ(outcome.failure, c.failure) << outcome.detail;
        EXPECT_EQ(ModeOf(folder_), 0700u);
        if (c.failure != DownloadFailure::None) {
            EXPECT_TRUE(outcome.file.empty());
            EXPECT_EQ(Files(), std::vector<std::string>{});
            continue;
        }
        EXPECT_EQ(outcome.file, folder_ / "QB42M16D.bin");
        EXPECT_EQ(temp_.ReadFile("cache/KELNO Driver/UpdateData/QB42M16D.bin"), "abcdef");
        EXPECT_EQ(ModeOf(outcome.file), 0600u);  // private, never executable
        EXPECT_EQ(Files(), std::vector<std::string>{"cache/KELNO Driver/UpdateData/QB42M16D.bin"});
    }
}

TEST_F(DownloaderTest, RefusesAddressesAndNamesBeforeAsking) {
    struct Case {
        std::string url;
        std::string localName;
        DownloadFailure failure;
    };
    const Case cases[] = {
        {"http://updates.example/files/fw.bin", "QB42M16D", DownloadFailure::BadAddress},
        {"https://elsewhere.example/files/fw.bin", "QB42M16D", DownloadFailure::BadAddress},
        {"https://updates.example:8443/files/fw.bin", "QB42M16D", DownloadFailure::BadAddress},
        {"https://updates.example@elsewhere.example/fw.bin", "QB42M16D",
         DownloadFailure::BadAddress},
        {"file:///etc/passwd", "QB42M16D", DownloadFailure::BadAddress},
        {"updates.example/files/fw.bin", "QB42M16D", DownloadFailure::BadAddress},
        {kUrl, "../../.profile", DownloadFailure::BadName},
        {kUrl, "a/b", DownloadFailure::BadName},
        {kUrl, "..", DownloadFailure::BadName},
        {kUrl, "", DownloadFailure::BadName},
    };
    client_.download = {200, {"abcdef"}, 6, HttpFailure::None, false};
    for (const Case& c : cases) {
        EXPECT_EQ(Fetch({c.url, c.localName, {}}).failure, c.failure)
            << c.url << " " << c.localName;
    }
    EXPECT_TRUE(client_.Downloads().empty());
    EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST_F(DownloaderTest, NeverWritesThroughALink) {
    client_.download = {200, {"abcdef"}, 6, HttpFailure::None, false};
    // A link planted in the folder's place is refused, its target untouched.
    const fs::path elsewhere = temp_ / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories(folder_.parent_path());
    fs::create_directory_symlink(elsewhere, folder_);
    EXPECT_EQ(Fetch({kUrl, "QB42M16D", {}}).failure, DownloadFailure::FolderIsLink);
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // A link planted at the file's name is replaced, not followed.
    fs::remove(folder_);
    fs::create_directories(folder_);
    fs::permissions(folder_, fs::perms::all);  // made 0700 again by the download
    const fs::path victim = temp_.WriteFile("victim", "keep");
    fs::create_symlink(victim, folder_ / "QB42M16D.bin");
    EXPECT_TRUE(Fetch({kUrl, "QB42M16D", {}}).Ok());
    EXPECT_EQ(temp_.ReadFile("victim"), "keep");
    EXPECT_FALSE(fs::is_symlink(folder_ / "QB42M16D.bin"));
    EXPECT_EQ(ModeOf(folder_), 0700u);
}

// What stands in the folder's place is the reason the user is told; nothing
// is asked of the server and what stands there is left as it was.
TEST_F(DownloaderTest, AFolderThatIsNotOursIsRefusedWithItsReason) {
    struct Case {
        const char* what;
        std::function<bool()> plant;  // false: cannot be set up here
        DownloadFailure failure;
    };
    const fs::path elsewhere = temp_ / "elsewhere";
    const Case cases[] = {
        {"a link to a folder",
         [&] {
             fs::create_directories(elsewhere);
             fs::create_directory_symlink(elsewhere, folder_);
             return true;
         },
         DownloadFailure::FolderIsLink},
        {"a dangling link",
         [&] {
             fs::create_directory_symlink(temp_ / "nothing-here", folder_);
             return true;
         },
         DownloadFailure::FolderIsLink},
        {"a file",
         [&] {
             temp_.WriteFile(fs::relative(folder_, temp_.Path()).string(), "keep");
             return true;
         },
         DownloadFailure::FolderNotFolder},
        // Only root may give a folder away.
        {"another user's folder",
         [&] {
             fs::create_directory(folder_);
             return ::chown(folder_.c_str(), 65534, 65534) == 0;
         },
         DownloadFailure::FolderNotOwned},
        {"a file in the place of its parent",
         [&] {
             fs::remove(folder_.parent_path());
             temp_.WriteFile(fs::relative(folder_.parent_path(), temp_.Path()).string(), "keep");
             return true;
         },
         DownloadFailure::FolderNotMade},
    };
    client_.download = {200, {"abcdef"}, 6, HttpFailure::None, false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(temp_ / "cache");
        fs::remove_all(elsewhere);
        fs::create_directories(folder_.parent_path());
        if (!c.plant()) {
            std::printf("skipped (needs root): %s\n", c.what);
            continue;
        }
        const fs::file_status before = fs::symlink_status(folder_);
        const DownloadOutcome outcome = Fetch({kUrl, "QB42M16D", {}});
        EXPECT_EQ(outcome.failure, c.failure) << outcome.detail;
        EXPECT_NE(FolderFailureTextKey(outcome.failure), nullptr);
        EXPECT_EQ(fs::symlink_status(folder_).type(), before.type());
        EXPECT_EQ(fs::symlink_status(folder_).permissions(), before.permissions());
        EXPECT_TRUE(!fs::exists(elsewhere) || fs::is_empty(elsewhere));
    }
    EXPECT_TRUE(client_.Downloads().empty());
}

TEST_F(DownloaderTest, StopFromAnotherThreadRemovesThePartialFile) {
    client_.download = {200, {"abc", "def"}, 6, HttpFailure::None, true};
    Downloader downloader(client_, kServer, folder_);
    std::optional<DownloadOutcome> outcome;
    std::atomic<bool> started = false;
    WorkerThread worker("download test");
    worker.Start([&](std::stop_token stop) {
        outcome = downloader.Fetch(
            {kUrl, "QB42M16D", {}}, [&](uint64_t, uint64_t) { started = true; }, stop);
    });
    while (!started) std::this_thread::yield();
    ASSERT_TRUE(worker.StopAndJoin(std::chrono::seconds(30)));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->failure, DownloadFailure::Cancelled);
    EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST(DownloadProgress, PercentIn64BitsWithoutDividingByZero) {
    struct Case {
        uint64_t total;
        uint64_t received;
        int percent;
    };
    const Case cases[] = {
        {0, 0, 0},
        {0, 12345, 0},
        {100, 50, 50},
        {3, 1, 33},
        {10, 20, 100},
        {6'000'000'000, 3'000'000'000, 50},  // past 32 bits
        {UINT64_MAX, UINT64_MAX - 1, 99},
        {UINT64_MAX, UINT64_MAX / 2, 49},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressPercent(c.total, c.received), c.percent) << c.total << " " << c.received;
}

TEST(DownloadName, LocalNameWithTheAddressExtension) {
    struct Case {
        const char* localName;
        const char* path;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"QB42M16D", "/files/fw-2.exe", "QB42M16D.exe"},
        {"QB42M16D", "/files/archive.tar.gz", "QB42M16D.gz"},
        {"QB42M16D", "/files/fw", "QB42M16D"},
        {"QB42M16D", "/files/fw.", "QB42M16D"},
        {"QB42M16D", "/files/fw.toolongextension", "QB42M16D"},
        {"QB42M16D", "/files/fw.e%2fx", "QB42M16D"},
        {"QB42M16D", "/files.d/fw", "QB42M16D"},
        {"ALL", "/", "ALL"},
        {"../x", "/fw.exe", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(LocalFileName(c.localName, c.path), c.expected) << c.path;
}

// A check finds an update for the keyboard; the user confirms it (status
// 3); the pass downloads it, and the reveal pass shows it once.
TEST_F(DownloaderTest, PassesMoveMarkedRowsThroughTheirStatuses) {
    const std::vector<int32_t> tabs{0, 0x0105, 0, 0};
    const auto targets = MakeUpdateTargets(Catalogue::Shipped().firmwareList(tabs, 10), "0.1.0");
    CheckPassResult check;
    check.answers.resize(2);
    check.answers[0].status = RowStatus::NeedUpdate;
    check.answers[0].server.path = kUrl;
    check.answers[1].status = RowStatus::UpToDate;
    std::vector<UpdateRow> rows = RowsFromCheck(targets, check);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].marked);
    EXPECT_FALSE(rows[1].marked);
    // Without a server no row is marked, and none reads as up to date.
    CheckPassResult unconfigured;
    unconfigured.status = WindowStatus::NotConfigured;
    for (const UpdateRow& row : RowsFromCheck(targets, unconfigured)) {
        EXPECT_FALSE(row.marked);
        EXPECT_EQ(row.answer.failure, CheckFailure::NotConfigured);
        EXPECT_STREQ(RowStatusTextKey(row.status, row.answer.Failed()), kCheckFailedTextKey);
    }
    rows[0].status = RowStatus::DownloadWaiting;

    Downloader downloader(client_, kServer, folder_);
    RecordingLauncher launcher;
    std::vector<std::pair<RowStatus, int>> heard;
    const RowChanged record = [&](size_t i, const UpdateRow& row) {
        EXPECT_EQ(i, 0u);
        heard.emplace_back(row.status, row.percent);
    };

    // First a failure: the row can be marked again.
    client_.download = {200, {"abc"}, 6, HttpFailure::Truncated, false};
    RunDownloadPass(rows, downloader, {}, record);
    EXPECT_EQ(rows[0].status, RowStatus::UpdateFailed);
    EXPECT_TRUE(RowSelectable(rows[0].status));
    EXPECT_TRUE(RunRevealPass(rows, launcher).empty());

    heard.clear();
    client_.download = {200, {"abc", "def"}, 6, HttpFailure::None, false};
    RunDownloadPass(rows, downloader, {}, record);
    EXPECT_EQ(heard, (std::vector<std::pair<RowStatus, int>>{{RowStatus::Downloading, 0},
                                                             {RowStatus::Downloading, 50},
                                                             {RowStatus::Downloading, 100},
                                                             {RowStatus::Downloaded, 100}}));
    EXPECT_EQ(rows[0].file, folder_ / "QB42M16D.bin");
    EXPECT_EQ(client_.Downloads().size(), 2u);

    // Nothing is downloaded twice or shown twice.
    RunDownloadPass(rows, downloader, {}, record);
    EXPECT_EQ(client_.Downloads().size(), 2u);
    const std::vector<RevealResult> shown = RunRevealPass(rows, launcher);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].shown);
    EXPECT_TRUE(RunRevealPass(rows, launcher).empty());
    EXPECT_EQ(launcher.shown, std::vector<fs::path>{folder_ / "QB42M16D.bin"});
    EXPECT_EQ(ModeOf(rows[0].file) & 0111, 0u);
}

}  // namespace
}  // namespace kelno::update
