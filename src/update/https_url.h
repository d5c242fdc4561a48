#pragma once
// Addresses the update code accepts: https, a host, no user name or
// password. Parsed by libcurl's own URL parser, so the host checked here is
// the host the transfer goes to.

#include <optional>
#include <string>
#include <string_view>

namespace kelno::update {

struct HttpsUrl {
    std::string host;  // lower case
    long port = 443;
    std::string path;  // from the first '/', without query or fragment
};

std::optional<HttpsUrl> ParseHttpsUrl(std::string_view url);

// Same host and port.
bool SameServer(const HttpsUrl& a, const HttpsUrl& b);

}  // namespace kelno::update
