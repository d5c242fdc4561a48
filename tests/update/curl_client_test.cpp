// The libcurl client and the downloader against a loopback HTTPS server
// with scripted faults. Every fault must end in its own failure, with no
// file outside the download folder and nothing made executable.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>

#include "core/worker_thread.h"
#include "support/temp_folder.h"
#include "update/curl_http_client.h"
#include "update/downloader.h"
#include "update/test_https_server.h"
#include "update/update_check.h"

namespace kelno::update {
namespace {

namespace fs = std::filesystem;
using test::kFirmware;
using test::LoggedRequest;
using test::TestCertificates;
using test::TestHttpsServer;

class CurlClientTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Requests to 127.0.0.1 must not go to a proxy of the machine.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        certificateFolder_ = new kelno::test::TempFolder();
        std::string log;
        certificates_ = TestCertificates::Make(certificateFolder_->Path(), log);
        ASSERT_TRUE(certificates_) << log;
    }
    static void TearDownTestSuite() {
        delete certificateFolder_;
        certificateFolder_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(certificates_);
        server_ = std::make_unique<TestHttpsServer>(certificates_->leaf, certificates_->key);
        ASSERT_TRUE(server_->Listening());
    }

    static CurlClientOptions Trusting(const fs::path& ca) {
        CurlClientOptions options;
        options.caFile = ca.string();
        return options;
    }
    static CurlClientOptions TrustingTestCa() { return Trusting(certificates_->ca); }

    UpdateServer Server(std::string_view host = "127.0.0.1") const {
        return {server_->Url("/api/", host)};
    }

    // Files below the test folder other than in the download folder.
    std::vector<std::string> FilesOutsideDownloads() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(temp_.Path())) {
            if (entry.is_directory()) continue;
            if (entry.path().parent_path() != downloads_) files.push_back(entry.path().string());
        }
        return files;
    }

    static inline kelno::test::TempFolder* certificateFolder_ = nullptr;
    static inline std::optional<TestCertificates> certificates_;
    std::unique_ptr<TestHttpsServer> server_;
    kelno::test::TempFolder temp_;
    fs::path downloads_ = temp_ / "cache/UpdateData";
};

TEST_F(CurlClientTest, PostsTheFormAndReadsTheAnswer) {
    server_->SetAnswer(200, R"({"name": "T45"})");
    CurlHttpClient client(TrustingTestCa());
    const HttpResponse response =
        client.Request({"post", server_->Url("/api/updates"), "app_key=A_1&version=105"}, {});
    EXPECT_EQ(response.failure, HttpFailure::None) << response.error;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, R"({"name": "T45"})");
    EXPECT_NE(response.headers.find("Content-Type: application/json"), std::string::npos);

    const auto requests = server_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "app_key=A_1&version=105");
    EXPECT_EQ(requests[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].accept, "application/prs.Tovra.v1+json");
}

TEST_F(CurlClientTest, RequestFaultsEndInTheirFailure) {
    struct Case {
        const char* name;
        std::string method;
        std::string path;
        int answerStatus;
        std::string answer;
        bool chunked;
        HttpFailure failure;
        long status;
    };
    const std::string large(kMaxAnswerBytes + 1, ' ');
    const Case cases[] = {
        {"answer", "POST", "/api/updates", 200, "{}", false, HttpFailure::None, 200},
        {"not found", "POST", "/api/updates", 404, "gone", false, HttpFailure::None, 404},
        {"too large with length", "POST", "/api/updates", 200, large, false, HttpFailure::TooLarge,
         200},
        {"too large in chunks", "POST", "/api/updates", 200, large, true, HttpFailure::TooLarge,
         200},
        {"bound exactly", "POST", "/api/updates", 200, large.substr(1), true, HttpFailure::None,
         200},
        {"redirect to http", "POST", "/api/to-http", 200, "{}", false, HttpFailure::Redirect, 302},
        {"redirect to https", "POST", "/api/to-https", 200, "{}", false, HttpFailure::None, 200},
        {"other method", "DELETE", "/api/updates", 200, "{}", false, HttpFailure::BadRequest, 0},
    };
    CurlHttpClient client(TrustingTestCa());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server_->SetAnswer(c.answerStatus, c.answer, c.chunked);
        const HttpResponse response = client.Request({c.method, server_->Url(c.path), "a=1"}, {});
        EXPECT_EQ(response.failure, c.failure) << response.error;
        EXPECT_EQ(response.status, c.status);
        if (c.failure != HttpFailure::None) {
            EXPECT_TRUE(response.body.empty());
        }
    }
    // Only https addresses are asked at all.
    for (const char* url : {"http://127.0.0.1/api/updates", "file:///etc/passwd", "", "ftp://x/"})
        EXPECT_EQ(client.Request({"GET", url, {}}, {}).failure, HttpFailure::BadRequest) << url;
}

TEST_F(CurlClientTest, UnverifiedServersAreRefusedBeforeAnyRequest) {
    struct Case {
        const char* name;
        fs::path serverCert;
        CurlClientOptions client;
    };
    const Case cases[] = {
        {"expired certificate", certificates_->expired, TrustingTestCa()},
        {"wrong host name", certificates_->wrongName, TrustingTestCa()},
        {"unknown authority", certificates_->leaf, Trusting(certificates_->otherCa)},
        {"not in the system's store", certificates_->leaf, CurlClientOptions{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpsServer server(c.serverCert, certificates_->key);
        ASSERT_TRUE(server.Listening());
        server.SetAnswer(200, "{}");
        CurlHttpClient client(c.client);
        const HttpResponse response = client.Request({"POST", server.Url("/api/updates"), {}}, {});
        EXPECT_EQ(response.failure, HttpFailure::Tls) << response.error;

        fs::path downloads = temp_ / "tls" / "UpdateData";
        Downloader downloader(client, {server.Url("/api/")}, downloads);
        EXPECT_EQ(downloader.Fetch({server.Url("/files/fw.bin"), "QB42M16D", {}}, {}, {}).failure,
                  DownloadFailure::Transfer);
        EXPECT_TRUE(server.Requests().empty());
        EXPECT_TRUE(fs::is_empty(downloads));
    }
}

TEST_F(CurlClientTest, UnreachableServer) {
    std::string url;
    {
        TestHttpsServer gone(certificates_->leaf, certificates_->key);
        url = gone.Url("/api/updates");
    }
    CurlHttpClient client(TrustingTestCa());
    EXPECT_EQ(client.Request({"POST", url, {}}, {}).failure, HttpFailure::Unreachable);
}

// With a proxy in the environment the request goes there (here: a closed
// port), not to the server.
TEST_F(CurlClientTest, ProxyComesFromTheEnvironment) {
    std::string proxy;
    {
        TestHttpsServer gone(certificates_->leaf, certificates_->key);
        proxy = "http://127.0.0.1:" + std::to_string(gone.Port());
    }
    ::setenv("https_proxy", proxy.c_str(), 1);
    ::setenv("no_proxy", "", 1);
    CurlHttpClient client(TrustingTestCa());
    const HttpResponse response = client.Request({"POST", server_->Url("/api/updates"), {}}, {});
    ::unsetenv("https_proxy");
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    EXPECT_EQ(response.failure, HttpFailure::Unreachable) << response.error;
    EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(CurlClientTest, StalledTransferEnds) {
    CurlClientOptions options = TrustingTestCa();
    options.lowSpeedTime = std::chrono::seconds(1);
    CurlHttpClient client(options);
    EXPECT_EQ(client.Request({"POST", server_->Url("/api/stall"), {}}, {}).failure,
              HttpFailure::Stalled);
}

// The stall would last far longer than the test: only the stop can end it.
TEST_F(CurlClientTest, StopEndsATransferAtOnce) {
    CurlClientOptions options = TrustingTestCa();
    options.lowSpeedTime = std::chrono::seconds(600);
    CurlHttpClient client(options);
    Downloader downloader(client, Server(), downloads_);
    std::optional<DownloadOutcome> outcome;
    WorkerThread worker("curl stop test");
    worker.Start([&](std::stop_token stop) {
        outcome = downloader.Fetch({server_->Url("/files/stall.bin"), "QB42M16D", {}}, {}, stop);
    });
    server_->WaitForStall();
    ASSERT_TRUE(worker.StopAndJoin(std::chrono::seconds(60)));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->failure, DownloadFailure::Cancelled) << outcome->detail;
    EXPECT_TRUE(fs::is_empty(downloads_));
}

TEST_F(CurlClientTest, DownloadsOnlyAVerifiedWholeFile) {
    struct Case {
        const char* name;
        std::string path;
        std::string host;
        std::optional<std::string> sha256;
        DownloadFailure failure;
    };
    const std::string wrongSha(64, '0');
    const Case cases[] = {
        {"with length", "/files/fw.bin", "127.0.0.1", std::nullopt, DownloadFailure::None},
        {"chunked without length", "/files/chunked.bin", "127.0.0.1", std::nullopt,
         DownloadFailure::None},
        {"wrong hash", "/files/fw.bin", "127.0.0.1", wrongSha, DownloadFailure::HashMismatch},
        {"short body, then closed", "/files/short.bin", "127.0.0.1", std::nullopt,
         DownloadFailure::Transfer},
        {"not found", "/files/missing.bin", "127.0.0.1", std::nullopt, DownloadFailure::HttpStatus},
        {"redirect to another host", "/files/other-host.bin", "127.0.0.1", std::nullopt,
         DownloadFailure::Transfer},
        {"another host", "/files/fw.bin", "localhost", std::nullopt, DownloadFailure::BadAddress},
    };
    CurlHttpClient client(TrustingTestCa());
    Downloader downloader(client, Server(), downloads_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(downloads_);
        uint64_t lastTotal = 0;
        uint64_t lastReceived = 0;
        const DownloadOutcome outcome =
            downloader.Fetch({server_->Url(c.path, c.host), "QB42M16D", c.sha256},
                             [&](uint64_t total, uint64_t received) {
                                 lastTotal = total;
                                 lastReceived = received;
                             },
                             {});
        EXPECT_EQ(outcome.failure, c.failure) << outcome.detail;
        EXPECT_EQ(FilesOutsideDownloads(), std::vector<std::string>{});
        if (c.failure != DownloadFailure::None) {
            EXPECT_TRUE(!fs::exists(downloads_) || fs::is_empty(downloads_));
            continue;
        }
        EXPECT_EQ(temp_.ReadFile("cache/UpdateData/QB42M16D.bin"), kFirmware);
        EXPECT_EQ(lastReceived, kFirmware.size());
        EXPECT_EQ(ProgressPercent(lastTotal, lastReceived), lastTotal ? 100 : 0);
        struct stat status {};
        ASSERT_EQ(::stat(outcome.file.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u);
    }
}

// One redirect rule for the check and the download alike: a bounded number,
// each to https on the server asked. A refused target is never asked.
TEST_F(CurlClientTest, RedirectsAreFollowedOnlyToHttpsOnTheServerAsked) {
    TestHttpsServer otherPort(certificates_->leaf, certificates_->key);
    ASSERT_TRUE(otherPort.Listening());
    const std::string answer = R"({"name": "T45"})";
    otherPort.SetAnswer(200, answer);
    server_->SetAnswer(200, answer);
    const std::string plainHttp = "http://127.0.0.1:" + std::to_string(server_->Port());
    using Location = std::function<std::string(const std::string& target)>;
    struct Case {
        const char* name;
        Location location;  // where the redirect to `target` leads
        bool followed;
    };
    const Case cases[] = {
        {"https on the same server", [&](const auto& target) { return server_->Url(target); },
         true},
        {"a relative address", [](const auto& target) { return target; }, true},
        {"http on the same host and port", [&](const auto& target) { return plainHttp + target; },
         false},
        {"another host name", [&](const auto& target) { return server_->Url(target, "localhost"); },
         false},
        {"another port", [&](const auto& target) { return otherPort.Url(target); }, false},
        {"more than the bound", [&](const auto&) { return server_->Url("/redirect-loop"); }, false},
    };
    const auto via = [&](const std::string& location) {
        return server_->Url("/redirect?to=" + FormEncode(location));
    };
    const size_t bound = CurlClientOptions{}.maxRedirects;
    CurlHttpClient client(TrustingTestCa());
    Downloader downloader(client, Server(), downloads_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t askedBefore = server_->Requests().size();
        const HttpResponse check =
            client.Request({"POST", via(c.location("/api/updates")), "a=1"}, {});
        EXPECT_EQ(check.failure, c.followed ? HttpFailure::None : HttpFailure::Redirect)
            << check.error;
        EXPECT_EQ(check.body, c.followed ? answer : "");

        fs::remove_all(downloads_);
        const DownloadOutcome download =
            downloader.Fetch({via(c.location("/files/fw.bin")), "QB42M16D", {}}, {}, {});
        if (c.followed) {
            EXPECT_EQ(download.failure, DownloadFailure::None) << download.detail;
            const std::string file =
                temp_.ReadFile(fs::relative(download.file, temp_.Path()).string());
            EXPECT_TRUE(file == kFirmware) << file.size() << " bytes";
        } else {
            EXPECT_EQ(download.failure, DownloadFailure::Transfer);
            EXPECT_NE(download.detail.find(HttpFailureName(HttpFailure::Redirect)),
                      std::string::npos)
                << download.detail;
            EXPECT_TRUE(fs::is_empty(downloads_));
        }

        const auto requests = server_->Requests();
        const auto asked =
            std::vector<LoggedRequest>(requests.begin() + askedBefore, requests.end());
        EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                                [](const LoggedRequest& r) {
                                    return r.path == "/api/updates" || r.path == "/files/fw.bin";
                                }),
                  c.followed ? 2 : 0);
        EXPECT_LE(asked.size(), 2 * (1 + bound)) << "each transfer stops at the bound";
    }
    EXPECT_TRUE(otherPort.Requests().empty());
}

TEST_F(CurlClientTest, CheckOverHttpsTellsFailuresFromAnswers) {
    struct Case {
        const char* name;
        int status;
        std::string body;
        CheckFailure failure;
        RowStatus row;
    };
    const auto answer = [&](std::string_view name, std::string_view version,
                            std::string_view path) {
        return R"({"path": ")" + std::string(path) + R"(", "name": ")" + std::string(name) +
               R"(", "version_name": "V2", "version": ")" + std::string(version) +
               R"(", "device_id": 3})";
    };
    const std::string onServer = server_->Url("/files/fw.bin");
    const Case cases[] = {
        {"newer", 200, answer("T45", "106", onServer), CheckFailure::None, RowStatus::NeedUpdate},
        {"current", 200, answer("T45", "105", onServer), CheckFailure::None, RowStatus::UpToDate},
        {"server error", 500, "oops", CheckFailure::HttpStatus, RowStatus::NoInfo},
        {"not JSON", 200, "<html>maintenance</html>", CheckFailure::NotJson, RowStatus::NoInfo},
        {"too large", 200, std::string(kMaxAnswerBytes + 10, ' '), CheckFailure::TooLarge,
         RowStatus::NoInfo},
        {"hostile name", 200, answer("../../../.bashrc", "106", onServer), CheckFailure::BadName,
         RowStatus::NoInfo},
        {"version not a number", 200, answer("T45", "1.0.6", onServer), CheckFailure::BadVersion,
         RowStatus::NoInfo},
        {"path over http", 200, answer("T45", "106", "http://127.0.0.1/fw.bin"),
         CheckFailure::BadPath, RowStatus::NoInfo},
    };
    CurlHttpClient client(TrustingTestCa());
    UpdateTarget keyboard;
    keyboard.updateKind = 1;
    keyboard.currentVersion = 0x105;
    keyboard.vendor = "TOVRA";
    keyboard.image = "QB42M16D";
    keyboard.model = "T45";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server_->SetAnswer(c.status, c.body);
        const TargetAnswer result = CheckTarget(client, Server(), keyboard, {});
        EXPECT_EQ(result.failure, c.failure) << result.detail;
        EXPECT_EQ(result.status, c.row);
    }
}

// The same server as a program, for tests of the real program: it says
// where it listens and which authority to trust, and takes its answer on
// standard input.
TEST(TestUpdateServerProgram, ServesTheAnswerItIsGiven) {
    kelno::test::TempFolder folder;
    int toServer[2];
    int fromServer[2];
    ASSERT_EQ(::pipe(toServer), 0);
    ASSERT_EQ(::pipe(fromServer), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(toServer[0], STDIN_FILENO);
        ::dup2(fromServer[1], STDOUT_FILENO);
        ::close(toServer[1]);
        ::close(fromServer[0]);
        ::execl(KELNO_TEST_UPDATE_SERVER, KELNO_TEST_UPDATE_SERVER, folder.Path().c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toServer[0]);
    ::close(fromServer[1]);
    FILE* out = ::fdopen(fromServer[0], "r");
    FILE* in = ::fdopen(toServer[1], "w");
    ASSERT_TRUE(out && in);
    char line[1100] = {};
    char url[512] = {};
    char ca[512] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    ASSERT_EQ(std::sscanf(line, "ready %511s %511s", url, ca), 2) << line;
    std::fputs("answer 200 {\"version\": \"106\"}\n", in);
    std::fflush(in);
    char ok[8] = {};
    ASSERT_TRUE(std::fgets(ok, sizeof ok, out));
    EXPECT_STREQ(ok, "ok\n");

    CurlClientOptions options;
    options.caFile = ca;
    CurlHttpClient client(options);
    const HttpResponse response =
        client.Request({"POST", UpdateServer{url}.UpdatesUrl(), "app_key=x"}, {});
    EXPECT_EQ(response.failure, HttpFailure::None) << response.error;
    EXPECT_EQ(response.body, R"({"version": "106"})");

    std::fclose(in);  // the server's cue to end
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::fclose(out);
}

}  // namespace
}  // namespace kelno::update
