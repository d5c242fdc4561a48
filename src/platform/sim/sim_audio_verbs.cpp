#include "platform/sim/sim_audio_verbs.h"

#include <algorithm>
#include <optional>

#include "platform/sim/sim_line_words.h"

namespace kelno::sim {
namespace {

struct Verb {
    std::string_view name;
    size_t words;  // with "audio"; `fail` takes one more, its count
    const char* usage;
};
constexpr Verb kVerbs[] = {
    {"get", 4, "err usage: audio get <playback|capture> <property>"},
    {"set", 5, "err usage: audio set <playback|capture> <property> <value>"},
    {"fail", 5, "err usage: audio fail <playback|capture> <property> <read|write> [count]"},
    {"log", 2, "err usage: audio log"},
    {"clear", 2, "err usage: audio clear"},
};
// As many as the device faults take.
constexpr size_t kMaxFailCount = 1000;

// ";" separates the log's entries in a reply, so no name or value has one.
bool HasSeparator(std::span<const std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [](std::string_view word) {
        return word.find(';') != std::string_view::npos;
    });
}

std::string JoinedLog(const std::vector<std::string>& log) {
    std::string reply = "ok";
    for (size_t i = 0; i < log.size(); ++i) reply += (i == 0 ? " " : ";") + log[i];
    return reply;
}

}  // namespace

std::string HandleAudioCommand(SimAudioConfigLib& audio, std::span<const std::string_view> words) {
    if (words.size() < 2) return "err usage: audio get|set|fail|log|clear ...";
    const auto verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                   [&](const Verb& v) { return v.name == words[1]; });
    if (verb == std::end(kVerbs)) return "err unknown audio command";
    const bool countGiven = verb->name == "fail" && words.size() == verb->words + 1;
    if (words.size() != verb->words && !countGiven) return verb->usage;
    if (verb->name == "log") return JoinedLog(audio.Log());
    if (verb->name == "clear") {
        audio.ClearLog();
        audio.ClearFailures();
        return "ok";
    }

    const auto direction = SimAudioDirectionFromName(words[2]);
    if (!direction) return "err unknown direction";
    if (HasSeparator(words.subspan(3))) return "err no ';' in names or values";
    const std::string_view property = words[3];
    if (verb->name == "get") {
        const auto value = audio.Property(*direction, property);
        if (!value) return "err unknown property";
        return value->empty() ? "ok" : "ok " + *value;
    }
    if (verb->name == "set") {
        audio.SetProperty(*direction, property, std::string(words[4]));
        return "ok";
    }

    if (words[4] != "read" && words[4] != "write") return verb->usage;
    size_t count = 1;
    if (countGiven) {
        const auto parsed = ParseNumber(words[5]);
        if (!parsed || *parsed == 0 || *parsed > kMaxFailCount) return "err bad count";
        count = *parsed;
    }
    audio.FailNext(*direction, property,
                   words[4] == "read" ? SimAudioCall::Read : SimAudioCall::Write,
                   static_cast<unsigned>(count));
    return "ok";
}

}  // namespace kelno::sim
