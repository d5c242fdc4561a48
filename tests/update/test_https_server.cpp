#include "update/test_https_server.h"

#include <httplib.h>

#include "support/command_run.h"

namespace kelno::update::test {
namespace {

// One byte: curl averages speed over a few seconds, so more would keep a
// stalled transfer above the low-speed limit for longer.
constexpr size_t kStallBytes = 1;

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

}  // namespace

std::optional<TestCertificates> TestCertificates::Make(const std::filesystem::path& folder,
                                                       std::string& log) {
    TestCertificates made{folder / "ca.pem",      folder / "other-ca.pem",   folder / "leaf.pem",
                          folder / "expired.pem", folder / "wrong-name.pem", folder / "leaf.key"};
    // EC keys: quick to make. `-days -1` puts the end before the start, so
    // the certificate is expired from the moment it is made.
    const std::string ec = "-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";
    const std::string sign =
        "openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key "
        "-CAcreateserial ";
    const std::string script =
        "set -e; cd " + Quoted(folder) + "; " + "openssl req -x509 " + ec +
        " -keyout ca.key -out ca.pem -days 2 -subj /CN=kelno-test-ca; " + "openssl req -x509 " +
        ec +
        " -keyout other-ca.key -out other-ca.pem -days 2 "
        "-subj /CN=kelno-other-ca; " +
        "openssl req " + ec + " -keyout leaf.key -out leaf.csr -subj /CN=kelno-test-server; " +
        "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > names.ext; " +
        "printf 'subjectAltName=DNS:wrong.example\\n' > wrong.ext; " + sign +
        "-days 2 -extfile names.ext -out leaf.pem; " + sign +
        "-days -1 -extfile names.ext -out expired.pem; " + sign +
        "-days 2 -extfile wrong.ext -out wrong-name.pem";
    const kelno::test::CommandRun run = kelno::test::RunCommand("(" + script + ") 2>&1");
    log = run.output;
    if (run.status != 0) return {};
    return made;
}

TestHttpsServer::TestHttpsServer(const std::filesystem::path& cert,
                                 const std::filesystem::path& key)
    : server_(std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str())) {
    if (!server_->is_valid()) return;
    httplib::Server& server = *server_;
    const auto log = [this](const httplib::Request& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back({request.method, request.path, request.body,
                             request.get_header_value("Accept"),
                             request.get_header_value("Content-Type")});
    };
    server.Post(
        "/api/updates", [this, log](const httplib::Request& request, httplib::Response& response) {
            log(request);
            std::lock_guard lock(mutex_);
            response.status = answerStatus_;
            if (!answerChunked_) {
                response.set_content(answerBody_, "application/json");
                return;
            }
            response.set_chunked_content_provider(
                "application/json", [body = answerBody_](size_t offset, httplib::DataSink& sink) {
                    const size_t piece = std::min<size_t>(4096, body.size() - offset);
                    if (piece > 0) return sink.write(body.data() + offset, piece);
                    sink.done();
                    return true;
                });
        });
    const auto stall = [this, log](const httplib::Request& request, httplib::Response& response) {
        log(request);
        response.set_content_provider(1000, "application/octet-stream",
                                      [this](size_t, size_t, httplib::DataSink& sink) {
                                          sink.write(kFirmware.data(), kStallBytes);
                                          Stall();
                                          return false;
                                      });
    };
    server.Post("/api/stall", stall);
    server.Get("/files/stall.bin", stall);
    server.Post(
        "/api/to-http", [this, log](const httplib::Request& request, httplib::Response& response) {
            log(request);
            response.set_redirect("http://127.0.0.1:" + std::to_string(port_) + "/api/updates");
        });
    server.Post("/api/to-https",
                [this, log](const httplib::Request& request, httplib::Response& response) {
                    log(request);
                    response.set_redirect(Url("/api/updates"), 307);
                });
    server.Get("/files/fw.bin",
               [log](const httplib::Request& request, httplib::Response& response) {
                   log(request);
                   response.set_content(kFirmware, "application/octet-stream");
               });
    server.Get("/files/chunked.bin",
               [log](const httplib::Request& request, httplib::Response& response) {
                   log(request);
                   response.set_chunked_content_provider(
                       "application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
                           const size_t piece = std::min<size_t>(7000, kFirmware.size() - offset);
                           if (piece > 0) return sink.write(kFirmware.data() + offset, piece);
                           sink.done();
                           return true;
                       });
               });
    server.Get("/files/short.bin",
               [log](const httplib::Request& request, httplib::Response& response) {
                   log(request);
                   response.set_content_provider(1000, "application/octet-stream",
                                                 [](size_t, size_t, httplib::DataSink& sink) {
                                                     sink.write(kFirmware.data(), 100);
                                                     return false;  // closes the connection
                                                 });
               });
    server.Get("/files/missing.bin",
               [log](const httplib::Request& request, httplib::Response& response) {
                   log(request);
                   response.status = 404;
                   response.set_content("<html>not here</html>", "text/html");
               });
    server.Get("/files/other-host.bin",
               [this, log](const httplib::Request& request, httplib::Response& response) {
                   log(request);
                   response.set_redirect(Url("/files/fw.bin", "localhost"));
               });
    const auto redirect = [log](const httplib::Request& request, httplib::Response& response) {
        log(request);
        response.set_redirect(request.get_param_value("to"), 307);
    };
    server.Get("/redirect", redirect);
    server.Post("/redirect", redirect);
    const auto loop = [this, log](const httplib::Request& request, httplib::Response& response) {
        log(request);
        response.set_redirect(Url("/redirect-loop"), 307);
    };
    server.Get("/redirect-loop", loop);
    server.Post("/redirect-loop", loop);

    port_ = server.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return;
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    // A stop that comes before the accept loop runs would be lost.
    while (!server_->is_running() && !listenEnded_) std::this_thread::yield();
}

TestHttpsServer::~TestHttpsServer() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

std::string TestHttpsServer::Url(std::string_view path, std::string_view host) const {
    return "https://" + std::string(host) + ":" + std::to_string(port_) + std::string(path);
}

void TestHttpsServer::SetAnswer(int status, std::string body, bool chunked) {
    std::lock_guard lock(mutex_);
    answerStatus_ = status;
    answerBody_ = std::move(body);
    answerChunked_ = chunked;
}

std::vector<LoggedRequest> TestHttpsServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpsServer::WaitForStall() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stalled_ > 0 || closing_; });
}

void TestHttpsServer::Stall() {
    std::unique_lock lock(mutex_);
    ++stalled_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return closing_; });
}

}  // namespace kelno::update::test
