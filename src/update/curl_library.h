#pragma once
// libcurl, loaded when the first update request needs it rather than with
// the program: it brings two dozen libraries (TLS, Kerberos, LDAP, SSH...)
// whose loading cost every start about 15 ms before the first paint, for
// a check that runs only when the settings window opens. Loaded once,
// curl_global_init included, by whichever thread asks first (an update
// worker); the functions are libcurl's own, under their names without the
// "curl_" prefix.

#include <curl/curl.h>

namespace kelno::update {

struct CurlLibrary {
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_wakeup) multi_wakeup;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_url) url;
    decltype(&curl_url_set) url_set;
    decltype(&curl_url_get) url_get;
    decltype(&curl_url_cleanup) url_cleanup;
    decltype(&curl_free) free;
};

// The loaded library; null when libcurl cannot be loaded or initialised
// (every request then fails, and says why).
const CurlLibrary* Curl();

}  // namespace kelno::update
