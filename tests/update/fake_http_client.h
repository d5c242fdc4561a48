#pragma once
// A scripted IHttpClient: requests are logged and answered by a function;
// downloads stream scripted chunks with the client's rules (bound, sink
// refusal, progress after each chunk, stop between chunks).

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/http_client.h"

namespace kelno::update::test {

struct ScriptedDownload {
    long status = 200;
    std::vector<std::string> chunks;
    std::optional<uint64_t> length;              // announced; nothing: no length
    HttpFailure endFailure = HttpFailure::None;  // how the transfer ends
    bool waitForStopAfterFirstChunk = false;
};

class FakeHttpClient final : public IHttpClient {
  public:
    std::function<HttpResponse(const HttpRequest&)> answer;
    ScriptedDownload download;

    HttpResponse Request(const HttpRequest& request, std::stop_token) override {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        return answer ? answer(request) : HttpResponse{HttpFailure::Unreachable, 0, {}, {}, {}};
    }

    DownloadResult Download(const DownloadRequest& request, const DownloadSink& sink,
                            const DownloadProgress& progress, std::stop_token stop) override {
        {
            std::lock_guard lock(mutex_);
            downloads_.push_back(request.url);
        }
        DownloadResult result;
        result.status = download.status;
        result.lengthKnown = download.length.has_value();
        result.length = download.length.value_or(0);
        for (size_t i = 0; i < download.chunks.size(); ++i) {
            const std::string& chunk = download.chunks[i];
            if (stop.stop_requested()) return Ended(result, HttpFailure::Cancelled);
            if (request.maxBytes && result.received + chunk.size() > request.maxBytes)
                return Ended(result, HttpFailure::TooLarge);
            if (!sink(download.status, chunk)) return Ended(result, HttpFailure::Refused);
            result.received += chunk.size();
            if (progress) progress(result.length, result.received);
            if (i == 0 && download.waitForStopAfterFirstChunk) {
                std::mutex mutex;
                std::condition_variable_any stopped;
                std::unique_lock lock(mutex);
                stopped.wait(lock, stop, [] { return false; });
            }
        }
        if (stop.stop_requested()) return Ended(result, HttpFailure::Cancelled);
        return Ended(result, download.endFailure);
    }

    std::vector<HttpRequest> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::string> Downloads() const {
        std::lock_guard lock(mutex_);
        return downloads_;
    }

  private:
    static DownloadResult Ended(DownloadResult result, HttpFailure failure) {
        result.failure = failure;
        return result;
    }

    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    std::vector<std::string> downloads_;
};

inline HttpResponse JsonAnswer(std::string body, long status = 200) {
    return {HttpFailure::None, status, "HTTP/1.1 200 OK\r\n", std::move(body), {}};
}

// SHA-256 of "abcdef", what the scripted downloads usually carry.
inline const std::string kAbcdefSha =
    "bef57ec7f53a6d40beb640a780a639c83bc29ac8a9816f1fc6c5c6dcd93c4721";

// The update server's answer offering `version` of a file on its host
// with the hash `sha256`.
inline HttpResponse OfferAnswer(std::string_view version, std::string_view sha256 = kAbcdefSha) {
    return JsonAnswer(R"({"path": "https://updates.example/files/fw.bin", "name": "T45",)"
                      R"( "version_name": "V2.0", "version": ")" +
                      std::string(version) + R"(", "device_id": 7, "sha256": ")" +
                      std::string(sha256) + "\"}");
}

}  // namespace kelno::update::test
