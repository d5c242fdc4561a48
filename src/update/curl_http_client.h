#pragma once
// IHttpClient on libcurl. Every transfer verifies the server's certificate
// and host name, speaks https only, follows redirects only as
// RedirectAllowed allows (https_url.h) and at most maxRedirects of them,
// takes its proxy from the environment (https_proxy, no_proxy), and runs in
// a multi handle that the stop token wakes, so a stop ends it within one
// poll round instead of after a time-out.

#include <chrono>
#include <string>

#include "update/http_client.h"

namespace kelno::update {

struct CurlClientOptions {
    // PEM file of the only authorities to trust; empty: the system's store.
    std::string caFile;
    std::chrono::milliseconds connectTimeout{60000};
    // A transfer that moves less than one byte per second for this long ends
    // as stalled.
    std::chrono::seconds lowSpeedTime{30};
    long maxRedirects = 5;
    std::string userAgent = "KELNO Driver";
};

// curl_global_init, once per process; every client's constructor calls it
// (the libcurl here makes it safe from any thread).
void InitCurlOnce();

// Each call makes its own handles, so calls may run on several threads.
class CurlHttpClient final : public IHttpClient {
  public:
    explicit CurlHttpClient(CurlClientOptions options = {});

    HttpResponse Request(const HttpRequest& request, std::stop_token stop) override;
    DownloadResult Download(const DownloadRequest& request, const DownloadSink& sink,
                            const DownloadProgress& progress, std::stop_token stop) override;

  private:
    CurlClientOptions options_;
};

}  // namespace kelno::update
