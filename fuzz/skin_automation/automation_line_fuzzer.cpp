// Automation command lines: parsing never crashes, and what it accepts is
// consistent (escaping round-trips, control names are non-empty).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "skin/automation/automation_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    kelno::skin::AutomationParse parsed = kelno::skin::ParseAutomationCommand(line);
    if (const auto* command = std::get_if<kelno::skin::AutomationCommand>(&parsed)) {
        if (command->verb != kelno::skin::AutomationVerb::Screenshot &&
            command->target.name.empty())
            std::abort();
    }
    std::string text(line);
    if (kelno::skin::UnescapeLineText(kelno::skin::EscapeLineText(text)) != text) std::abort();
    return 0;
}
