#pragma once
// Text in memory is UTF-8. Files written on Windows by older versions carry
// names in a legacy code page (GBK on Chinese systems); bytes that are not
// valid UTF-8 are decoded from that code page so those files still load.

#include <string>
#include <string_view>

namespace kelno {

bool IsValidUtf8(std::string_view text);

// Drops a leading UTF-8 byte order mark.
std::string_view StripUtf8Bom(std::string_view text);

// The legacy code page used for text that is not UTF-8, as an iconv name.
// Default "CP936". Returns false (and keeps the old one) for a name iconv
// does not know.
bool SetLegacyCodePage(const std::string& iconvName);
std::string LegacyCodePage();

// Text read from a file or a device: valid UTF-8 is returned unchanged,
// anything else is decoded from the legacy code page; a byte that code page
// cannot decode either becomes U+FFFD. The result is always valid UTF-8.
std::string ToWideText(std::string_view stored);

// Text about to be stored: files are UTF-8, so this only guarantees that
// what is written is valid UTF-8 (through the same decoding as ToWideText).
std::string ToNarrowText(std::string_view text);

}  // namespace kelno
