#include "platform/sim/sim_device_set.h"

#include <algorithm>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

#include "platform/hid/hex_bytes.h"
#include "platform/sim/sim_audio_verbs.h"
#include "platform/sim/sim_line_words.h"

namespace kelno::sim {
namespace {

// The faults `fault <kind> <name> [count]` arms; "none" clears them.
struct FaultName {
    std::string_view name;
    std::optional<SimFault> fault;
};
constexpr FaultName kFaultNames[] = {
    {"timeout", SimFault::NoAnswer},  {"echo", SimFault::WrongEcho},
    {"error", SimFault::StatusError}, {"short", SimFault::ShortAnswer},
    {"none", std::nullopt},
};
constexpr const char* kFaultUsage =
    "err usage: fault <kind> <timeout|echo|error|short|none> [count]";
// More would only make a request wait out its time-outs for longer.
constexpr size_t kMaxFaultCount = 1000;

// Hexadecimal bytes written "0a 0b 0c", "0a0b0c" or mixed; nothing when a
// word is not whole bytes. At most `limit` bytes.
std::optional<std::vector<uint8_t>> HexBytesOf(std::span<const std::string_view> words,
                                               size_t limit) {
    std::vector<uint8_t> bytes;
    for (std::string_view word : words) {
        if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X'))
            word.remove_prefix(2);
        if (word.empty() || word.size() % 2 != 0) return std::nullopt;
        for (size_t at = 0; at < word.size(); at += 2) {
            const auto value = ParseNumber(word.substr(at, 2), 16);
            if (!value) return std::nullopt;
            bytes.push_back(static_cast<uint8_t>(*value));
        }
        if (bytes.size() > limit) return std::nullopt;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

// A status answer is one report's payload at the most.
constexpr size_t kMaxPowerBytes = 56;

std::string OkBytes(const std::vector<uint8_t>& bytes) {
    return bytes.empty() ? "ok" : "ok " + hid::FormatHexBytes(bytes);
}

// As many LED reports as a few light effect steps send.
constexpr size_t kLedReportsShown = 12;

// "ok <count received>" and the last reports in hex, ";" between reports.
std::string OkLedReports(uint64_t count, const std::vector<std::vector<uint8_t>>& reports) {
    std::string reply = "ok " + std::to_string(count);
    const size_t first = reports.size() - std::min(reports.size(), kLedReportsShown);
    for (size_t i = first; i < reports.size(); ++i)
        reply += (i == first ? " " : ";") + hid::FormatHexBytes(reports[i]);
    return reply;
}

}  // namespace

SimDeviceSet::SimDeviceSet(std::shared_ptr<SimHidBackend> backend)
    : backend_(backend ? std::move(backend) : std::make_shared<SimHidBackend>()),
      audio_(std::make_shared<SimAudioConfigLib>()) {
    // The headset's sound devices come and go with it.
    audio_->SetHeadsetPresent(false);
}

std::shared_ptr<SimCommandDevice> SimDeviceSet::Plug(SimKind kind) {
    std::lock_guard lock(mutex_);
    auto& device = devices_[kind];
    if (!device) {
        device = MakeSimDevice(kind);
        if (!backend_->AddNode(std::string(SimKindName(kind)), device)) {
            device.reset();
            return nullptr;
        }
    }
    device->SetPlugged(true);
    if (kind == SimKind::Headset) audio_->SetHeadsetPresent(true);
    return device;
}

bool SimDeviceSet::Unplug(SimKind kind) {
    const auto device = Device(kind);
    if (!device || !device->IsPlugged()) return false;
    device->SetPlugged(false);
    if (kind == SimKind::Headset) audio_->SetHeadsetPresent(false);
    return true;
}

bool SimDeviceSet::IsPlugged(SimKind kind) const {
    const auto device = Device(kind);
    return device && device->IsPlugged();
}

std::shared_ptr<SimCommandDevice> SimDeviceSet::Device(SimKind kind) const {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(kind);
    return it == devices_.end() ? nullptr : it->second;
}

std::string SimDeviceSet::HandleCommand(std::string_view line) {
    const auto words = Words(line);
    if (words.empty()) return "err empty command";
    const std::string_view command = words[0];
    if (command == "list") {
        if (words.size() != 1) return "err usage: list";
        std::string reply = "ok";
        for (SimKind kind : kAllSimKinds)
            if (IsPlugged(kind)) reply += " " + std::string(SimKindName(kind));
        return reply;
    }
    if (command == "audio") return HandleAudioCommand(*audio_, words);

    struct Usage {
        std::string_view name;
        size_t words;
        const char* text;
    };
    static constexpr Usage kUsages[] = {
        {"plug", 2, "err usage: plug <kind>"},
        {"unplug", 2, "err usage: unplug <kind>"},
        {"notify", 3, "err usage: notify <kind> <usage in hex>"},
        {"mem", 4, "err usage: mem <kind> <offset> <length>"},
        {"keymap", 2, "err usage: keymap <kind>"},
        {"macros", 2, "err usage: macros <kind>"},
        {"fault", 3, kFaultUsage},
        {"faults", 2, "err usage: faults <kind>"},
        {"link", 3, "err usage: link <kind> up|down"},
        {"power", 3, "err usage: power <kind> <hex bytes>"},
        {"frame", 2, "err usage: frame <kind>"},
        {"poke", 4, "err usage: poke <kind> <offset> <hex bytes>"},
        {"codes", 2, "err usage: codes <kind>"},
        {"clear", 2, "err usage: clear <kind>"},
        {"group", 2, "err usage: group <kind>"},
        {"leds", 2, "err usage: leds <kind>"},
    };
    const auto usage = std::find_if(std::begin(kUsages), std::end(kUsages),
                                    [&](const Usage& u) { return u.name == command; });
    if (usage == std::end(kUsages)) return "err unknown command";
    // A fault's count is optional; bytes may come as several words.
    const bool countGiven = command == "fault" && words.size() == usage->words + 1;
    const bool moreBytes = (command == "power" || command == "poke") && words.size() > usage->words;
    if (words.size() != usage->words && !countGiven && !moreBytes) return usage->text;
    const auto kind = SimKindFromName(words[1]);
    if (!kind) return "err unknown kind";

    if (command == "fault") return HandleFault(*kind, words);
    if (command == "plug") return Plug(*kind) ? "ok" : "err cannot plug";
    if (command == "unplug") return Unplug(*kind) ? "ok" : "err not plugged";

    const auto device = Device(*kind);
    if (command == "notify") {
        const auto value = ParseNumber(words[2], 16);
        if (!value || *value > 0xFFFF) return "err bad usage";
        if (!device || !device->IsPlugged()) return "err not plugged";
        device->Notify(static_cast<uint16_t>(*value));
        return "ok";
    }
    if (!device) return "err never plugged";
    if (command == "keymap") return OkBytes(device->KeyMap());
    if (command == "macros") return OkBytes(device->MacroArea());
    if (command == "faults") return "ok " + std::to_string(device->PendingFaults());
    if (command == "frame")
        return device->LightFrameReceived() ? OkBytes(device->LightFrame()) : "ok";
    if (command == "group") return "ok " + std::to_string(device->GroupDepth());
    if (command == "leds") return OkLedReports(device->LedReportCount(), device->LedReports());
    if (command == "clear") {
        device->ClearExchanges();
        return "ok";
    }
    if (command == "codes") {
        std::vector<uint8_t> codes;
        for (const auto& request : device->CommandRequests())
            if (request.size() > 3) codes.push_back(request[3]);
        return OkBytes(codes);
    }
    if (command == "link") {
        if (*kind != SimKind::WirelessMouse) return "err no wireless link";
        if (words[2] != "up" && words[2] != "down") return usage->text;
        device->SetLinkUp(words[2] == "up");
        return "ok";
    }
    if (command == "power") {
        const auto bytes = HexBytesOf(std::span(words).subspan(2), kMaxPowerBytes);
        if (!bytes) return "err bad bytes";
        device->SetPowerStatus(*bytes);
        return "ok";
    }
    if (command == "poke") {
        const auto offset = ParseNumber(words[2]);
        const size_t size = device->Memory().size();
        const auto bytes = HexBytesOf(std::span(words).subspan(3), size);
        if (!offset || !bytes) return "err bad bytes";
        if (*offset > size || bytes->size() > size - *offset) return "err out of range";
        if (!device->IsPlugged()) return "err not plugged";
        device->ChangeMemoryOnDevice(*offset, *bytes);
        return "ok";
    }

    const auto offset = ParseNumber(words[2]);
    const auto length = ParseNumber(words[3]);
    if (!offset || !length) return "err bad number";
    const std::vector<uint8_t> memory = device->Memory();
    if (*offset > memory.size() || *length > memory.size() - *offset) return "err out of range";
    return OkBytes({memory.begin() + static_cast<std::ptrdiff_t>(*offset),
                    memory.begin() + static_cast<std::ptrdiff_t>(*offset + *length)});
}

std::string SimDeviceSet::HandleFault(SimKind kind, const std::vector<std::string_view>& words) {
    const auto name = std::find_if(std::begin(kFaultNames), std::end(kFaultNames),
                                   [&](const FaultName& f) { return f.name == words[2]; });
    if (name == std::end(kFaultNames)) return "err unknown fault";
    size_t count = 1;
    if (words.size() == 4) {
        if (!name->fault) return kFaultUsage;
        const auto parsed = ParseNumber(words[3]);
        if (!parsed || *parsed == 0 || *parsed > kMaxFaultCount) return "err bad count";
        count = *parsed;
    }
    // Armed on an unplugged device too: it fires once the device is back.
    const auto device = Device(kind);
    if (!device) return "err never plugged";
    if (!name->fault) {
        device->ClearFaults();
        return "ok";
    }
    // One fault on each of the next `count` requests.
    for (size_t nth = 1; nth <= count; ++nth)
        device->InjectFault(*name->fault, static_cast<unsigned>(nth));
    return "ok";
}

}  // namespace kelno::sim
