#pragma once
// A loopback HTTPS server with scripted answers and faults, and the
// certificates it needs, made at test time with the openssl command.
//
// Routes:
//   POST /api/updates            the scripted answer (SetAnswer)
//   POST /api/stall              headers and a few bytes, then nothing
//   POST /api/to-http            302 to the same answer over http
//   POST /api/to-https           307 to /api/updates on this server
//   GET  /files/fw.bin           kFirmware with its length
//   GET  /files/chunked.bin      kFirmware in chunks, no length
//   GET  /files/short.bin        1000 bytes announced, 100 sent, then closed
//   GET  /files/stall.bin        as /api/stall
//   GET  /files/missing.bin      404 with an error page
//   GET  /files/other-host.bin   302 to /files/fw.bin on "localhost"
//   GET or POST /redirect?to=<address>   307 to <address>, as given
//   GET or POST /redirect-loop           307 to itself
// A stalled answer is held until the server goes.

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class SSLServer;
}

namespace kelno::update::test {

inline const std::string kFirmware = [] {
    std::string bytes;
    for (int i = 0; i < 50'000; ++i) bytes.push_back(static_cast<char>(i * 7 % 251));
    return bytes;
}();

struct TestCertificates {
    std::filesystem::path ca;         // the authority the client is given
    std::filesystem::path otherCa;    // an authority that signed nothing here
    std::filesystem::path leaf;       // 127.0.0.1 and localhost, by `ca`
    std::filesystem::path expired;    // the same names, expired yesterday
    std::filesystem::path wrongName;  // only wrong.example, by `ca`
    std::filesystem::path key;        // the key of all three leaves

    // Makes them in `folder`; nothing when the openssl command fails
    // (its output goes to `log`).
    static std::optional<TestCertificates> Make(const std::filesystem::path& folder,
                                                std::string& log);
};

struct LoggedRequest {
    std::string method;
    std::string path;
    std::string body;
    std::string accept;
    std::string contentType;
};

class TestHttpsServer {
  public:
    TestHttpsServer(const std::filesystem::path& cert, const std::filesystem::path& key);
    ~TestHttpsServer();
    TestHttpsServer(const TestHttpsServer&) = delete;
    TestHttpsServer& operator=(const TestHttpsServer&) = delete;

    bool Listening() const { return port_ > 0; }
    int Port() const { return port_; }
    // "https://<host>:<port><path>".
    std::string Url(std::string_view path, std::string_view host = "127.0.0.1") const;

    // The answer of POST /api/updates; `chunked` sends it without a length.
    void SetAnswer(int status, std::string body, bool chunked = false);
    std::vector<LoggedRequest> Requests() const;
    // Waits until a stalled route has sent its first bytes.
    void WaitForStall();

  private:
    void Stall();

    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    std::atomic<bool> listenEnded_ = false;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int answerStatus_ = 200;
    std::string answerBody_;
    bool answerChunked_ = false;
    std::vector<LoggedRequest> requests_;
    int stalled_ = 0;
    bool closing_ = false;
};

}  // namespace kelno::update::test
