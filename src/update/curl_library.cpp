#include "update/curl_library.h"

#include <dlfcn.h>

#include <optional>

#include "core/debug_output.h"

namespace kelno::update {
namespace {

constexpr const char* kLibraryName = "libcurl.so.4";

template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (!function) DebugOutputF("libcurl: %s is missing", name);
    return function != nullptr;
}

std::optional<CurlLibrary> Load() {
    // Kept loaded for the life of the process, like a linked library.
    void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        DebugOutputF("libcurl cannot be loaded: %s", error ? error : kLibraryName);
        return std::nullopt;
    }
    CurlLibrary curl{};
    decltype(&curl_global_init) globalInit = nullptr;
    const bool bound = Bind(library, "curl_global_init", globalInit) &&
                       Bind(library, "curl_easy_init", curl.easy_init) &&
                       Bind(library, "curl_easy_setopt", curl.easy_setopt) &&
                       Bind(library, "curl_easy_getinfo", curl.easy_getinfo) &&
                       Bind(library, "curl_easy_strerror", curl.easy_strerror) &&
                       Bind(library, "curl_easy_cleanup", curl.easy_cleanup) &&
                       Bind(library, "curl_multi_init", curl.multi_init) &&
                       Bind(library, "curl_multi_add_handle", curl.multi_add_handle) &&
                       Bind(library, "curl_multi_remove_handle", curl.multi_remove_handle) &&
                       Bind(library, "curl_multi_perform", curl.multi_perform) &&
                       Bind(library, "curl_multi_poll", curl.multi_poll) &&
                       Bind(library, "curl_multi_wakeup", curl.multi_wakeup) &&
                       Bind(library, "curl_multi_info_read", curl.multi_info_read) &&
                       Bind(library, "curl_multi_cleanup", curl.multi_cleanup) &&
                       Bind(library, "curl_slist_append", curl.slist_append) &&
                       Bind(library, "curl_slist_free_all", curl.slist_free_all) &&
                       Bind(library, "curl_url", curl.url) &&
                       Bind(library, "curl_url_set", curl.url_set) &&
                       Bind(library, "curl_url_get", curl.url_get) &&
                       Bind(library, "curl_url_cleanup", curl.url_cleanup) &&
                       Bind(library, "curl_free", curl.free);
    if (!bound) return std::nullopt;
    if (globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        DebugOutput("libcurl could not be initialised");
        return std::nullopt;
    }
    return curl;
}

}  // namespace

const CurlLibrary* Curl() {
    // Initialised once, by the first caller, whatever its thread.
    static const std::optional<CurlLibrary> library = Load();
    return library ? &*library : nullptr;
}

}  // namespace kelno::update
