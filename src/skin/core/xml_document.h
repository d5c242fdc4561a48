#pragma once
// A small XML reader for layout, resource and language files: elements,
// attributes, character data, the five named entities and numeric character
// references, comments, CDATA, processing instructions and a DOCTYPE line
// (skipped). Input is untrusted: the reader stays in bounds, limits the
// nesting depth and reports the first error with its line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelno::skin {

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // in file order
    std::vector<XmlNode> children;
    std::string text;  // character data directly inside the element

    // The value of an attribute, or nullptr.
    const std::string* Attribute(std::string_view attributeName) const;
};

struct XmlParseResult {
    std::optional<XmlNode> root;  // empty on error
    std::string error;            // "line N: what"
};

inline constexpr int kMaxXmlDepth = 200;
inline constexpr std::uintmax_t kMaxXmlFileBytes = 16u << 20;

XmlParseResult ParseXml(std::string_view text);
// Reads a file (UTF-8, or the legacy code page when not valid UTF-8) and
// parses it; the error names the file.
XmlParseResult ParseXmlFile(const std::string& path);

// Attribute list text `a="1" b='x &amp; y'` into pairs; nothing when the
// list is malformed.
std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text);

}  // namespace kelno::skin
