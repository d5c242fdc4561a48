#pragma once
// The UI automation line protocol: one command a line, one reply line each,
// starting "ok" or "err". Parsing and formatting only; running a command is
// the executor's job. Text in a reply or in `type` uses three escapes so a
// line stays one line: "\n" (line feed), "\r" (carriage return), "\\".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kelno::skin {

// Lines longer than this are refused; the rest of such a line is discarded.
inline constexpr size_t kAutomationMaxLine = 64 * 1024;
// Longest wait a `wait-visible` may ask for.
inline constexpr int64_t kAutomationMaxWaitMs = 10 * 60 * 1000;

enum class AutomationVerb {
    Find,
    Click,
    DoubleClick,
    Select,
    SetValue,
    Type,
    WaitVisible,
    Screenshot,
};

// "<name>" or "<name>#<k>": the k-th control of that name in tree order.
struct ControlRef {
    std::string name;
    size_t occurrence = 0;
    bool operator==(const ControlRef&) const = default;
};

struct AutomationCommand {
    AutomationVerb verb = AutomationVerb::Find;
    ControlRef target;   // every verb but Screenshot
    int64_t number = 0;  // Select index, SetValue value, WaitVisible milliseconds
    std::string text;    // Type text (unescaped), Screenshot path
};

struct AutomationError {
    std::string message;
};

using AutomationParse = std::variant<AutomationCommand, AutomationError>;

AutomationParse ParseAutomationCommand(std::string_view line);
ControlRef ParseControlRef(std::string_view token);

// What `find` reports about a control.
struct ControlSnapshot {
    std::string className;
    bool visible = false;
    bool enabled = false;
    bool selected = false;
    int64_t value = 0;
    int64_t items = 0;
    int64_t cursel = -1;
    std::string text;
};

std::string FormatFindReply(const ControlSnapshot& snapshot);
std::string FormatOk();
std::string FormatError(std::string_view message);

std::string EscapeLineText(std::string_view text);
std::string UnescapeLineText(std::string_view text);

}  // namespace kelno::skin
