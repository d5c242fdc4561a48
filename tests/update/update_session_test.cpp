// The settings window's update work on its worker, with a scripted client:
// what the window hears, in which order, and that a stop ends a transfer
// with nothing left behind and nothing heard afterwards.

#include "update/update_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/temp_folder.h"
#include "update/fake_http_client.h"
#include "update/recording_launcher.h"
#include "update/update_config.h"

namespace kelno::update {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FakeHttpClient;
using test::JsonAnswer;
using test::OfferAnswer;
using test::RecordingLauncher;

const UpdateServer kServer{"https://updates.example/api/"};

std::vector<UpdateTarget> KeyboardAndProgram() {
    const std::vector<int32_t> tabs{0, 0x0105, 0, 0};
    return MakeUpdateTargets(Catalogue::Shipped().firmwareList(tabs, 10), "0.1.0");
}

// What the window hears, kept for the test thread.
class RecordingListener final : public IUpdateSessionListener {
  public:
    void OnChecked(WindowStatus status, std::vector<UpdateRow> rows) override {
        Record("checked " + std::to_string(static_cast<int>(status)), [&] { rows_ = rows; });
    }
    void OnRowChanged(size_t index, UpdateRow row) override {
        Record("row " + std::to_string(index) + " " + std::to_string(static_cast<int>(row.status)),
               [&] { rows_.at(index) = row; });
    }
    void OnDownloadPassDone() override {
        Record("downloaded", [] {});
    }
    void OnRevealed(std::vector<Revealed> rows) override {
        std::string event = "revealed";
        for (const Revealed& r : rows)
            event += " " + std::to_string(r.index) + (r.shown ? " shown" : " not shown");
        Record(event, [] {});
    }

    // Waits (hang guard) until `event` has been heard `times` times.
    bool WaitFor(const std::string& event, long times = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(
            lock, 20s, [&] { return std::count(events_.begin(), events_.end(), event) >= times; });
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<UpdateRow> Rows() const {
        std::lock_guard lock(mutex_);
        return rows_;
    }

  private:
    template <typename F>
    void Record(std::string event, F&& change) {
        std::lock_guard lock(mutex_);
        change();
        events_.push_back(std::move(event));
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
    std::vector<UpdateRow> rows_;
};

class UpdateSessionTest : public ::testing::Test {
  protected:
    std::unique_ptr<UpdateSession> MakeSession(std::shared_ptr<IHttpClient> client) {
        UpdateSessionParts parts;
        parts.client = std::move(client);
        parts.server = kServer;
        parts.downloadFolder = folder_;
        parts.launcher = launcher_;
        parts.lastCheckFile = temp_ / kLastCheckFileName;
        return std::make_unique<UpdateSession>(parts, KeyboardAndProgram(), listener_);
    }
    std::vector<std::string> FilesUnder(const fs::path& root) const {
        std::vector<std::string> files;
        if (!fs::exists(root)) return files;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (!entry.is_directory()) files.push_back(entry.path().filename());
        return files;
    }

    kelno::test::TempFolder temp_;
    fs::path folder_ = DownloadFolder(temp_ / "cache");
    std::shared_ptr<FakeHttpClient> client_ = std::make_shared<FakeHttpClient>();
    std::shared_ptr<RecordingLauncher> launcher_ = std::make_shared<RecordingLauncher>();
    RecordingListener listener_;
};

TEST_F(UpdateSessionTest, ChecksDownloadsTheMarkedRowsAndShowsTheirFiles) {
    client_->answer = [](const HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, HttpFailure::None, false};
    auto session = MakeSession(client_);
    session->StartCheck();
    ASSERT_TRUE(listener_.WaitFor("checked 1"));
    ASSERT_EQ(listener_.Rows().size(), 2u);
    EXPECT_TRUE(listener_.Rows()[0].marked && listener_.Rows()[1].marked);
    EXPECT_TRUE(fs::exists(temp_ / kLastCheckFileName));

    // The user leaves the program's row unmarked.
    session->Download({true, false});
    ASSERT_TRUE(listener_.WaitFor("downloaded"));
    session->Reveal();
    ASSERT_TRUE(listener_.WaitFor("revealed 0 shown"));
    EXPECT_EQ(listener_.Events(),
              (std::vector<std::string>{"checked 1", "row 0 4", "row 0 4", "row 0 4", "row 0 5",
                                        "downloaded", "revealed 0 shown"}));
    EXPECT_EQ(client_->Downloads().size(), 1u);
    EXPECT_EQ(listener_.Rows()[0].percent, 100);
    EXPECT_EQ(launcher_->shown, std::vector<fs::path>{listener_.Rows()[0].file});
    EXPECT_EQ(listener_.Rows()[0].file.parent_path(), folder_);
    // The unmarked row was left as the check found it.
    EXPECT_EQ(listener_.Rows()[1].status, RowStatus::NeedUpdate);
}

TEST_F(UpdateSessionTest, StopEndsATransferAndNothingIsHeardOrLeftAfterwards) {
    client_->answer = [](const HttpRequest&) { return OfferAnswer("9999"); };
    client_->download = {200, {"abc", "def"}, 6, HttpFailure::None, true};
    auto session = MakeSession(client_);
    session->StartCheck();
    ASSERT_TRUE(listener_.WaitFor("checked 1"));
    session->Download({true, true});
    ASSERT_TRUE(listener_.WaitFor("row 0 4"));
    ASSERT_TRUE(session->Stop(5s));
    EXPECT_EQ(FilesUnder(temp_ / "cache"), std::vector<std::string>{}) << "no partial file";
    // The stopped pass ends without a word of its end.
    const std::vector<std::string> events = listener_.Events();
    EXPECT_EQ(events.back(), "row 0 3") << "the row waits again";
    EXPECT_EQ(std::count(events.begin(), events.end(), "downloaded"), 0);
}

TEST_F(UpdateSessionTest, AFailedDownloadIsTriedAgainByTheNextPass) {
    client_->answer = [](const HttpRequest&) { return OfferAnswer("9999", std::string(64, '0')); };
    client_->download = {200, {"abc", "def"}, 6, HttpFailure::None, false};
    auto session = MakeSession(client_);
    session->StartCheck();
    ASSERT_TRUE(listener_.WaitFor("checked 1"));
    session->Download({true, false});
    ASSERT_TRUE(listener_.WaitFor("downloaded"));
    EXPECT_EQ(listener_.Rows()[0].status, RowStatus::UpdateFailed);
    EXPECT_EQ(FilesUnder(temp_ / "cache"), std::vector<std::string>{});
    session->Reveal();
    session->Download({true, false});
    ASSERT_TRUE(listener_.WaitFor("downloaded", 2));
    EXPECT_EQ(client_->Downloads().size(), 2u);
    EXPECT_TRUE(launcher_->shown.empty());
}

TEST_F(UpdateSessionTest, WithoutAClientNothingIsAskedAndTheWindowSaysSo) {
    auto session = MakeSession(nullptr);
    session->StartCheck();
    ASSERT_TRUE(listener_.WaitFor("checked 5"));
    for (const UpdateRow& row : listener_.Rows()) {
        EXPECT_EQ(row.answer.failure, CheckFailure::NotConfigured);
        EXPECT_FALSE(row.marked);
    }
}

TEST(MarkForDownload, OnlyMarkedRowsWithAnUpdateWait) {
    struct Case {
        RowStatus status;
        bool failed;
        bool mark;
        RowStatus after;
        bool marked;
    };
    const Case cases[] = {
        {RowStatus::NeedUpdate, false, true, RowStatus::DownloadWaiting, true},
        {RowStatus::NeedUpdateAgain, false, true, RowStatus::DownloadWaiting, true},
        {RowStatus::NeedUpdate, false, false, RowStatus::NeedUpdate, false},
        {RowStatus::UpdateFailed, false, true, RowStatus::UpdateFailed, true},
        {RowStatus::UpToDate, false, true, RowStatus::UpToDate, false},
        {RowStatus::NoInfo, true, true, RowStatus::NoInfo, false},
    };
    for (const Case& c : cases) {
        std::vector<UpdateRow> rows(1);
        rows[0].status = c.status;
        if (c.failed) rows[0].answer.failure = CheckFailure::Transfer;
        MarkForDownload(rows, {c.mark});
        EXPECT_EQ(rows[0].status, c.after) << static_cast<int>(c.status);
        EXPECT_EQ(rows[0].marked, c.marked) << static_cast<int>(c.status);
    }
    std::vector<UpdateRow> rows(2, UpdateRow{});
    rows[1].status = RowStatus::NeedUpdate;
    MarkForDownload(rows, {true});  // fewer marks than rows: the rest unmarked
    EXPECT_FALSE(rows[1].marked);
}

}  // namespace
}  // namespace kelno::update
