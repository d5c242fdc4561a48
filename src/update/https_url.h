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

// The redirect rule of every update transfer, the check's and the
// download's alike: a redirect is followed only to an https address on the
// server first asked (same host and port), which is the update server.
// `location` is the redirect's target as sent, which may be relative to
// `current`, the address that answered.
bool RedirectAllowed(const HttpsUrl& asked, std::string_view current, std::string_view location);

}  // namespace kelno::update
