#include "core/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace kelno {
namespace {

std::mutex g_codePageMutex;
std::string g_codePage = "CP936";

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence starting at text[i], or 0.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    size_t length;
    unsigned min;
    unsigned codepoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, codepoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, codepoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, codepoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        codepoint = (codepoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codepoint < min || codepoint > 0x10FFFF) return 0;
    if (codepoint >= 0xD800 && codepoint <= 0xDFFF) return 0;
    return length;
}

// Decodes legacy bytes with iconv, skipping one byte (as U+FFFD) wherever the
// code page has no character.
std::string DecodeLegacy(std::string_view text, const std::string& codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out;
    out.reserve(text.size() * 3 / 2 + 4);
    size_t position = 0;
    char buffer[256];
    while (position < text.size()) {
        char* in = const_cast<char*>(text.data() + position);
        size_t inLeft = text.size() - position;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        position = static_cast<size_t>(in - text.data());
        if (result != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence at the end): replace one byte.
        out.append(kReplacement);
        ++position;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string_view StripUtf8Bom(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return text;
}

bool SetLegacyCodePage(const std::string& iconvName) {
    iconv_t cd = iconv_open("UTF-8", iconvName.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    std::lock_guard lock(g_codePageMutex);
    g_codePage = iconvName;
    return true;
}

std::string LegacyCodePage() {
    std::lock_guard lock(g_codePageMutex);
    return g_codePage;
}

std::string ToWideText(std::string_view stored) {
    if (IsValidUtf8(stored)) return std::string(stored);
    std::string decoded = DecodeLegacy(stored, LegacyCodePage());
    if (!decoded.empty() && IsValidUtf8(decoded)) return decoded;
    // The code page is unusable: keep the valid runs, mark the rest.
    std::string out;
    for (size_t i = 0; i < stored.size();) {
        const size_t length = Utf8SequenceLength(stored, i);
        if (length == 0) {
            out.append(kReplacement);
            ++i;
        } else {
            out.append(stored.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string ToNarrowText(std::string_view text) { return ToWideText(text); }

}  // namespace kelno
