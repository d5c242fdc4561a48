#pragma once
// Diagnostic lines for developers. They go to stderr when the environment
// variable KELNO_DEBUG is "1" and are dropped otherwise; tests can capture
// them. There is no log file.

#include <string>
#include <string_view>
#include <vector>

namespace kelno {

// Writes one diagnostic line (a trailing line feed is added when missing).
void DebugOutput(std::string_view line);

// printf-style convenience for the many formatted diagnostics.
void DebugOutputF(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool IsDebugOutputEnabled();

// While alive, every debug line is also recorded here, whatever KELNO_DEBUG
// says. Captures nest; the innermost one receives the lines.
class ScopedDebugCapture {
public:
    ScopedDebugCapture();
    ~ScopedDebugCapture();
    ScopedDebugCapture(const ScopedDebugCapture&) = delete;
    ScopedDebugCapture& operator=(const ScopedDebugCapture&) = delete;

    std::vector<std::string> Lines() const;
};

}  // namespace kelno
