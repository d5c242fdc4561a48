#include "core/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kelno {
namespace {

std::mutex g_mutex;
// Each capture's lines live here, under the lock the writers take.
struct CaptureStore {
    ScopedDebugCapture* owner;
    std::vector<std::string> lines;
};
std::vector<CaptureStore> g_stores;

}  // namespace

bool IsDebugOutputEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("KELNO_DEBUG");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

void DebugOutput(std::string_view line) {
    std::string text(line);
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    std::lock_guard lock(g_mutex);
    if (!g_stores.empty()) g_stores.back().lines.push_back(text.substr(0, text.size() - 1));
    if (IsDebugOutputEnabled()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
}

void DebugOutputF(const char* format, ...) {
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    DebugOutput(buffer);
}

ScopedDebugCapture::ScopedDebugCapture() {
    std::lock_guard lock(g_mutex);
    g_stores.push_back({this, {}});
}

ScopedDebugCapture::~ScopedDebugCapture() {
    std::lock_guard lock(g_mutex);
    for (auto it = g_stores.begin(); it != g_stores.end(); ++it) {
        if (it->owner == this) {
            g_stores.erase(it);
            break;
        }
    }
}

std::vector<std::string> ScopedDebugCapture::Lines() const {
    std::lock_guard lock(g_mutex);
    for (const auto& store : g_stores)
        if (store.owner == this) return store.lines;
    return {};
}

}  // namespace kelno
