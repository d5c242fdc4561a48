#include "update/curl_http_client.h"

#include <algorithm>
#include <memory>

#include "core/ascii_case.h"
#include "update/curl_library.h"
#include "update/https_url.h"

namespace kelno::update {
namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr int kPollMilliseconds = 1000;

struct EasyDeleter {
    void operator()(CURL* easy) const { Curl()->easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const { Curl()->slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// What the callbacks of one transfer share.
struct TransferState {
    CURL* easy = nullptr;
    HttpsUrl asked;  // the server of the first address, the only one redirects may lead to
    std::stop_token stop;
    // Takes the body bytes; false ends the transfer with `abortReason` set.
    std::function<bool(std::string_view)> onBody;
    HttpFailure abortReason = HttpFailure::None;
    std::string headers;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    if (state->stop.stop_requested()) {
        state->abortReason = HttpFailure::Cancelled;
        return CURL_WRITEFUNC_ERROR;
    }
    if (!state->onBody(std::string_view(data, bytes))) return CURL_WRITEFUNC_ERROR;
    return bytes;
}

long ResponseCode(CURL* easy) {
    long status = 0;
    Curl()->easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// False for the Location line of a redirect answer that leads anywhere
// RedirectAllowed does not allow. Seen before libcurl follows it.
bool LocationAllowed(const TransferState& state, std::string_view line) {
    constexpr std::string_view kLocation = "location:";
    if (!EqualsNoCase(line.substr(0, kLocation.size()), kLocation)) return true;
    const long status = ResponseCode(state.easy);
    if (status < 300 || status > 399) return true;
    std::string_view target = line.substr(kLocation.size());
    constexpr std::string_view kBlanks = " \t\r\n";
    target.remove_prefix(std::min(target.size(), target.find_first_not_of(kBlanks)));
    target.remove_suffix(target.size() - (target.find_last_not_of(kBlanks) + 1));
    char* current = nullptr;
    Curl()->easy_getinfo(state.easy, CURLINFO_EFFECTIVE_URL, &current);
    return current != nullptr && RedirectAllowed(state.asked, current, target);
}

// Keeps the header lines of the last answer only (a followed redirect's
// lines are dropped when the next status line comes).
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) state->headers.clear();
    if (state->headers.size() + line.size() > kMaxHeaderBytes) {
        state->abortReason = HttpFailure::TooLarge;
        return CURL_WRITEFUNC_ERROR;
    }
    if (!LocationAllowed(*state, line)) {
        state->abortReason = HttpFailure::Redirect;
        return CURL_WRITEFUNC_ERROR;
    }
    state->headers.append(line);
    return line.size();
}

// Also ends a transfer on stop between two polls of a slow phase (name
// lookup, TLS handshake).
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* state = static_cast<TransferState*>(user);
    if (!state->stop.stop_requested()) return 0;
    state->abortReason = HttpFailure::Cancelled;
    return 1;
}

bool SetupEasy(CURL* easy, const CurlClientOptions& options, const std::string& url,
               TransferState& state) {
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && Curl()->easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "https");
    // Every transfer follows redirects the same way; LocationAllowed refuses
    // those that leave the server asked.
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, options.maxRedirects);
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!options.caFile.empty()) {
        set(CURLOPT_CAINFO, options.caFile.c_str());
        // Only the configured authorities: no folder of system ones beside.
        set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
    }
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.lowSpeedTime.count()));
    set(CURLOPT_USERAGENT, options.userAgent.c_str());
    set(CURLOPT_WRITEFUNCTION, &OnBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&state));
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(&state));
    set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(CURLOPT_XFERINFODATA, static_cast<void*>(&state));
    set(CURLOPT_NOPROGRESS, 0L);
    return ok;
}

// Runs the transfer in a multi handle whose poll the stop token wakes.
CURLcode Perform(CURL* easy, const std::stop_token& stop) {
    CURLM* multi = Curl()->multi_init();
    if (!multi) return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_OK;
    if (Curl()->multi_add_handle(multi, easy) != CURLM_OK) {
        Curl()->multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    {
        std::stop_callback wake(stop, [multi] { Curl()->multi_wakeup(multi); });
        int running = 1;
        bool done = false;
        while (!done) {
            if (Curl()->multi_perform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            int left = 0;
            while (CURLMsg* message = Curl()->multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE) {
                    result = message->data.result;
                    done = true;
                }
            }
            if (done || running == 0) break;
            if (stop.stop_requested()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (Curl()->multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
    }
    Curl()->multi_remove_handle(multi, easy);
    Curl()->multi_cleanup(multi);
    return result;
}

HttpFailure Classify(CURLcode code, const TransferState& state, bool answered) {
    if (state.abortReason != HttpFailure::None) return state.abortReason;
    switch (code) {
        case CURLE_OK:
            return HttpFailure::None;
        case CURLE_ABORTED_BY_CALLBACK:
            return HttpFailure::Cancelled;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SEND_ERROR:
            return HttpFailure::Unreachable;
        case CURLE_OPERATION_TIMEDOUT:
            // Before an answer this is the connect time-out; after, a stall.
            return answered ? HttpFailure::Stalled : HttpFailure::Unreachable;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return HttpFailure::Tls;
        case CURLE_UNSUPPORTED_PROTOCOL:  // the first address was checked: a redirect
        case CURLE_TOO_MANY_REDIRECTS:
            return HttpFailure::Redirect;
        case CURLE_FILESIZE_EXCEEDED:
            return HttpFailure::TooLarge;
        case CURLE_PARTIAL_FILE:
            return HttpFailure::Truncated;
        default:
            return HttpFailure::Other;
    }
}

std::string ErrorText(CURLcode code, const char* buffer) {
    std::string text = Curl()->easy_strerror(code);
    if (buffer[0] != '\0') text += std::string(": ") + buffer;
    return text;
}

}  // namespace

const char* HttpFailureName(HttpFailure failure) {
    switch (failure) {
        case HttpFailure::None:
            return "none";
        case HttpFailure::BadRequest:
            return "bad request";
        case HttpFailure::Unreachable:
            return "unreachable";
        case HttpFailure::Tls:
            return "certificate not verified";
        case HttpFailure::Redirect:
            return "redirect refused";
        case HttpFailure::TooLarge:
            return "answer too large";
        case HttpFailure::Stalled:
            return "stalled";
        case HttpFailure::Truncated:
            return "answer cut short";
        case HttpFailure::Cancelled:
            return "cancelled";
        case HttpFailure::Refused:
            return "answer refused";
        case HttpFailure::Other:
            return "transfer failed";
    }
    return "transfer failed";
}

constexpr const char* kNoLibrary = "libcurl cannot be loaded";

CurlHttpClient::CurlHttpClient(CurlClientOptions options) : options_(std::move(options)) {}

HttpResponse CurlHttpClient::Request(const HttpRequest& request, std::stop_token stop) {
    HttpResponse response;
    if (!Curl()) return {HttpFailure::Other, 0, {}, {}, kNoLibrary};
    const bool post = EqualsNoCase(request.method, "POST");
    const auto asked = ParseHttpsUrl(request.url);
    if ((!post && !EqualsNoCase(request.method, "GET")) || !asked) {
        response.failure = HttpFailure::BadRequest;
        response.error = "only GET or POST to an https address";
        return response;
    }
    EasyHandle easy(Curl()->easy_init());
    if (!easy) return {HttpFailure::Other, 0, {}, {}, "curl_easy_init failed"};

    TransferState state;
    state.easy = easy.get();
    state.asked = *asked;
    state.stop = stop;
    state.onBody = [&](std::string_view bytes) {
        if (response.body.size() + bytes.size() > request.maxBodyBytes) {
            state.abortReason = HttpFailure::TooLarge;
            return false;
        }
        response.body.append(bytes);
        return true;
    };
    char errorBuffer[CURL_ERROR_SIZE] = {};
    HeaderList headers(Curl()->slist_append(nullptr, "Accept: application/prs.Tovra.v1+json"));
    // Appending to a list returns its same head, or nullptr (list unchanged).
    if (headers && post &&
        !Curl()->slist_append(headers.get(), "Content-Type: application/x-www-form-urlencoded"))
        headers.reset();
    bool ok = headers && SetupEasy(easy.get(), options_, request.url, state);
    ok = ok && Curl()->easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, errorBuffer) == CURLE_OK &&
         Curl()->easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
         Curl()->easy_setopt(easy.get(), CURLOPT_MAXFILESIZE_LARGE,
                          static_cast<curl_off_t>(request.maxBodyBytes)) == CURLE_OK;
    if (ok && post) {
        ok = Curl()->easy_setopt(easy.get(), CURLOPT_POST, 1L) == CURLE_OK &&
             Curl()->easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                              static_cast<curl_off_t>(request.body.size())) == CURLE_OK &&
             Curl()->easy_setopt(easy.get(), CURLOPT_POSTFIELDS, request.body.data()) == CURLE_OK;
    }
    if (!ok) return {HttpFailure::Other, 0, {}, {}, "could not set up the transfer"};

    const CURLcode code = Perform(easy.get(), stop);
    response.status = ResponseCode(easy.get());
    response.failure = Classify(code, state, response.status != 0);
    response.headers = std::move(state.headers);
    if (response.failure != HttpFailure::None) {
        response.error = ErrorText(code, errorBuffer);
        response.body.clear();
    }
    return response;
}

DownloadResult CurlHttpClient::Download(const DownloadRequest& request, const DownloadSink& sink,
                                        const DownloadProgress& progress, std::stop_token stop) {
    DownloadResult result;
    if (!Curl()) return {HttpFailure::Other, 0, false, 0, 0, kNoLibrary};
    const auto asked = ParseHttpsUrl(request.url);
    if (!asked) {
        result.failure = HttpFailure::BadRequest;
        result.error = "not an https address";
        return result;
    }
    EasyHandle easy(Curl()->easy_init());
    if (!easy) return {HttpFailure::Other, 0, false, 0, 0, "curl_easy_init failed"};

    TransferState state;
    state.easy = easy.get();
    state.asked = *asked;
    state.stop = stop;
    state.onBody = [&](std::string_view bytes) {
        if (request.maxBytes != 0 && result.received + bytes.size() > request.maxBytes) {
            state.abortReason = HttpFailure::TooLarge;
            return false;
        }
        if (!sink(ResponseCode(state.easy), bytes)) {
            state.abortReason = HttpFailure::Refused;
            return false;
        }
        result.received += bytes.size();
        curl_off_t total = -1;
        Curl()->easy_getinfo(state.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
        if (progress) progress(total > 0 ? static_cast<uint64_t>(total) : 0, result.received);
        return true;
    };
    char errorBuffer[CURL_ERROR_SIZE] = {};
    bool ok = SetupEasy(easy.get(), options_, request.url, state) &&
              Curl()->easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, errorBuffer) == CURLE_OK;
    if (ok && request.maxBytes != 0) {
        ok = Curl()->easy_setopt(easy.get(), CURLOPT_MAXFILESIZE_LARGE,
                              static_cast<curl_off_t>(request.maxBytes)) == CURLE_OK;
    }
    if (!ok) return {HttpFailure::Other, 0, false, 0, 0, "could not set up the transfer"};

    const CURLcode code = Perform(easy.get(), stop);
    result.status = ResponseCode(easy.get());
    curl_off_t length = -1;
    Curl()->easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    result.lengthKnown = length >= 0;
    result.length = length >= 0 ? static_cast<uint64_t>(length) : 0;
    result.failure = Classify(code, state, result.status != 0);
    if (result.failure != HttpFailure::None) result.error = ErrorText(code, errorBuffer);
    return result;
}

}  // namespace kelno::update
