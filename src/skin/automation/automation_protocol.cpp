#include "skin/automation/automation_protocol.h"

#include <array>
#include <charconv>
#include <optional>
#include <utility>

namespace kelno::skin {
namespace {

struct VerbName {
    std::string_view word;
    AutomationVerb verb;
};

constexpr std::array kVerbs{
    VerbName{"find", AutomationVerb::Find},
    VerbName{"click", AutomationVerb::Click},
    VerbName{"dblclick", AutomationVerb::DoubleClick},
    VerbName{"select", AutomationVerb::Select},
    VerbName{"set-value", AutomationVerb::SetValue},
    VerbName{"type", AutomationVerb::Type},
    VerbName{"wait-visible", AutomationVerb::WaitVisible},
    VerbName{"screenshot", AutomationVerb::Screenshot},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLineEnd(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// Splits off the first blank-separated word; `rest` keeps what follows it
// after one separator, so text arguments keep their own leading blanks.
std::string_view NextWord(std::string_view& rest) {
    rest = SkipBlanks(rest);
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    if (!rest.empty()) rest.remove_prefix(1);
    return word;
}

std::optional<int64_t> ParseInteger(std::string_view s) {
    int64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return value;
}

AutomationError Error(std::string message) {
    return AutomationError{std::move(message)};
}

}  // namespace

ControlRef ParseControlRef(std::string_view token) {
    size_t hash = token.rfind('#');
    if (hash != std::string_view::npos && hash > 0 && hash + 1 < token.size()) {
        std::string_view digits = token.substr(hash + 1);
        size_t k = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
        if (ec == std::errc() && end == digits.data() + digits.size())
            return {std::string(token.substr(0, hash)), k};
    }
    return {std::string(token), 0};
}

AutomationParse ParseAutomationCommand(std::string_view line) {
    if (line.size() > kAutomationMaxLine) return Error("line too long");
    std::string_view rest = TrimLineEnd(line);
    std::string_view word = NextWord(rest);
    if (word.empty()) return Error("empty command");

    AutomationCommand command;
    bool known = false;
    for (const VerbName& v : kVerbs) {
        if (v.word == word) {
            command.verb = v.verb;
            known = true;
        }
    }
    if (!known) return Error("unknown command: " + std::string(word));

    if (command.verb == AutomationVerb::Screenshot) {
        std::string_view path = SkipBlanks(rest);
        if (path.empty()) return Error("usage: screenshot <png path>");
        command.text = std::string(path);
        return command;
    }

    std::string_view name = NextWord(rest);
    if (name.empty()) return Error("missing control name");
    command.target = ParseControlRef(name);

    switch (command.verb) {
        case AutomationVerb::Find:
        case AutomationVerb::Click:
        case AutomationVerb::DoubleClick:
            if (!SkipBlanks(rest).empty()) return Error("unexpected argument");
            return command;
        case AutomationVerb::Type:
            command.text = UnescapeLineText(rest);
            return command;
        case AutomationVerb::Select:
        case AutomationVerb::SetValue:
        case AutomationVerb::WaitVisible: {
            std::string_view argument = NextWord(rest);
            std::optional<int64_t> n = ParseInteger(argument);
            if (!n || !SkipBlanks(rest).empty()) return Error("expected one integer argument");
            if (command.verb == AutomationVerb::Select && *n < 0) return Error("negative index");
            if (command.verb == AutomationVerb::WaitVisible &&
                (*n < 0 || *n > kAutomationMaxWaitMs))
                return Error("wait out of range");
            command.number = *n;
            return command;
        }
        case AutomationVerb::Screenshot:
            break;
    }
    return Error("unhandled command");
}

std::string EscapeLineText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeLineText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 'r' || next == '\\') {
                out += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string FormatFindReply(const ControlSnapshot& s) {
    auto flag = [](bool b) { return b ? "1" : "0"; };
    std::string out = "ok class=" + s.className;
    out += std::string(" visible=") + flag(s.visible);
    out += std::string(" enabled=") + flag(s.enabled);
    out += std::string(" selected=") + flag(s.selected);
    out += " value=" + std::to_string(s.value);
    out += " items=" + std::to_string(s.items);
    out += " cursel=" + std::to_string(s.cursel);
    out += " text=" + EscapeLineText(s.text);
    return out;
}

std::string FormatOk() {
    return "ok";
}

std::string FormatError(std::string_view message) {
    return "err " + EscapeLineText(message);
}

}  // namespace kelno::skin
