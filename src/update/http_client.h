#pragma once
// The seam between the update logic and the network. The logic is tested on
// a scripted client; the program uses CurlHttpClient. Every call blocks the
// calling (worker) thread and ends promptly once its stop token is asked to
// stop. Both calls follow redirects by one rule (RedirectAllowed in
// https_url.h: https on the server first asked), a bounded number of times.

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace kelno::update {

enum class HttpFailure {
    None,         // an answer arrived (whatever its status)
    BadRequest,   // not GET/POST, or not an https address
    Unreachable,  // no connection: name lookup, connect, proxy
    Tls,          // certificate or host name not verified, handshake failed
    Redirect,     // a redirect RedirectAllowed refuses (https_url.h), or too many
    TooLarge,     // the answer is above the caller's bound
    Stalled,      // nothing arrived for the low-speed time
    Truncated,    // the connection closed before the announced length
    Cancelled,    // the stop token asked to stop
    Refused,      // the sink refused the data (e.g. status not 200, disk full)
    Other,
};

const char* HttpFailureName(HttpFailure failure);

struct HttpRequest {
    std::string method = "GET";  // GET or POST, any case
    std::string url;
    std::string body;  // POST only: form-encoded text
    size_t maxBodyBytes = 100 * 1024;
};

struct HttpResponse {
    HttpFailure failure = HttpFailure::None;
    long status = 0;      // HTTP status of the final answer, 0 when none
    std::string headers;  // raw header lines of the final answer
    std::string body;     // never longer than maxBodyBytes
    std::string error;    // the client's own words, for the debug log
};

// Receives the bytes of a download as they arrive. `status` is the HTTP
// status of the answer they belong to; returning false ends the transfer
// with HttpFailure::Refused.
using DownloadSink = std::function<bool(long status, std::string_view bytes)>;
// (total announced, received so far); total is 0 when the answer carries no
// length.
using DownloadProgress = std::function<void(uint64_t total, uint64_t received)>;

struct DownloadRequest {
    std::string url;
    uint64_t maxBytes = 0;  // 0: no bound of the caller's own
};

struct DownloadResult {
    HttpFailure failure = HttpFailure::None;
    long status = 0;
    bool lengthKnown = false;
    uint64_t length = 0;    // announced length when known
    uint64_t received = 0;  // body bytes handed to the sink
    std::string error;
};

class IHttpClient {
  public:
    virtual ~IHttpClient() = default;
    virtual HttpResponse Request(const HttpRequest& request, std::stop_token stop) = 0;
    // One GET, streamed to the sink (a followed redirect's own body is not).
    virtual DownloadResult Download(const DownloadRequest& request, const DownloadSink& sink,
                                    const DownloadProgress& progress, std::stop_token stop) = 0;
};

}  // namespace kelno::update
