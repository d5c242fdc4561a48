// The update server's answer is untrusted: parsing never crashes, a version
// is accepted exactly when it is a whole number in the target's base within
// 32 bits, and an accepted answer only ever carries a bare name and a
// well-formed hash. The first byte chooses hex (odd) or decimal.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/names.h"
#include "update/update_check.h"

namespace {

// The plain reference: every character a digit of the base, value in 32 bits.
std::optional<uint32_t> ReferenceVersion(std::string_view text, bool hex) {
    if (text.empty()) return {};
    uint64_t value = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) return {};
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) return {};
    }
    return static_cast<uint32_t>(value);
}

bool IsLowerHex(std::string_view text) {
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool hex = (data[0] & 1) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    using namespace kelno::update;

    if (ParseVersionNumber(bytes, hex) != ReferenceVersion(bytes, hex)) std::abort();

    const ParsedAnswer parsed = ParseUpdateAnswer(bytes, hex);
    if (parsed.failure != CheckFailure::None) return 0;
    const ServerAnswer& answer = parsed.answer;
    if (bytes.size() > kMaxAnswerBytes) std::abort();
    if (!kelno::IsBareName(answer.name)) std::abort();
    if (ReferenceVersion(answer.versionText, hex) != answer.version) std::abort();
    if (answer.sha256 && (answer.sha256->size() != 64 || !IsLowerHex(*answer.sha256))) std::abort();
    return 0;
}
