#include "update/https_url.h"


#include <charconv>
#include <memory>

#include "core/ascii_case.h"
#include "update/curl_library.h"

namespace kelno::update {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { Curl()->url_cleanup(url); }
};

struct PartText {
    char* text = nullptr;
    ~PartText() { Curl()->free(text); }
};

std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
    PartText value;
    if (Curl()->url_get(url, part, &value.text, flags) != CURLUE_OK || !value.text) return {};
    return std::string(value.text);
}

}  // namespace

std::optional<HttpsUrl> ParseHttpsUrl(std::string_view url) {
    if (url.empty() || url.find('\0') != url.npos || !Curl()) return {};
    std::unique_ptr<CURLU, UrlDeleter> parsed(Curl()->url());
    const std::string text(url);
    if (!parsed || Curl()->url_set(parsed.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return {};
    const auto scheme = Part(parsed.get(), CURLUPART_SCHEME);
    if (!scheme || *scheme != "https") return {};
    // Credentials in an address from the server are never meant for us.
    if (Part(parsed.get(), CURLUPART_USER) || Part(parsed.get(), CURLUPART_PASSWORD)) return {};
    const auto host = Part(parsed.get(), CURLUPART_HOST);
    const auto port = Part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!host || host->empty() || !port) return {};
    HttpsUrl result;
    const auto [end, error] =
        std::from_chars(port->data(), port->data() + port->size(), result.port);
    if (error != std::errc() || end != port->data() + port->size()) return {};
    result.host = ToLowerAscii(*host);
    result.path = Part(parsed.get(), CURLUPART_PATH).value_or("/");
    return result;
}

bool SameServer(const HttpsUrl& a, const HttpsUrl& b) {
    return a.host == b.host && a.port == b.port;
}

bool RedirectAllowed(const HttpsUrl& asked, std::string_view current, std::string_view location) {
    if (location.find('\0') != location.npos || !Curl()) return false;
    std::unique_ptr<CURLU, UrlDeleter> target(Curl()->url());
    const std::string from(current);
    const std::string to(location);
    // Resolved as the transfer resolves it, so the host checked is the one
    // it would go to.
    if (!target || Curl()->url_set(target.get(), CURLUPART_URL, from.c_str(), 0) != CURLUE_OK ||
        Curl()->url_set(target.get(), CURLUPART_URL, to.c_str(),
                     CURLU_URLENCODE | CURLU_ALLOW_SPACE) != CURLUE_OK)
        return false;
    const auto resolved = Part(target.get(), CURLUPART_URL);
    const auto address = resolved ? ParseHttpsUrl(*resolved) : std::nullopt;
    return address && SameServer(*address, asked);
}

}  // namespace kelno::update
