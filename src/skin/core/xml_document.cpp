#include "skin/core/xml_document.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/text_codec.h"

namespace kelno::skin {
namespace {

bool IsNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || u >= 0x80;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one entity starting after '&' up to ';'. False when malformed.
bool DecodeEntity(std::string_view body, std::string& out) {
    if (body == "lt")
        out += '<';
    else if (body == "gt")
        out += '>';
    else if (body == "amp")
        out += '&';
    else if (body == "quot")
        out += '"';
    else if (body == "apos")
        out += '\'';
    else if (body.size() >= 2 && body[0] == '#') {
        bool hex = body[1] == 'x' || body[1] == 'X';
        std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) return false;
        unsigned long cp = 0;
        for (char c : digits) {
            int v;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                v = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                v = c - 'A' + 10;
            else
                return false;
            cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
        }
        // No NUL, no surrogates, nothing beyond Unicode.
        if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        AppendUtf8(out, cp);
    } else {
        return false;
    }
    return true;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    XmlParseResult Run() {
        XmlParseResult result;
        XmlNode root;
        if (!SkipProlog() || !ParseElement(root, 0) || !SkipMisc() ||
            !AtEnd("content after the root element")) {
            result.error = "line " + std::to_string(line_) + ": " + error_;
            return result;
        }
        result.root = std::move(root);
        return result;
    }

  private:
    bool Fail(std::string what) {
        if (error_.empty()) error_ = std::move(what);
        return false;
    }
    bool AtEnd(const char* what) { return p_ >= s_.size() ? true : Fail(std::string(what)); }
    bool Starts(std::string_view t) const { return s_.substr(p_, t.size()) == t; }
    void Advance(size_t n) {
        for (size_t i = 0; i < n && p_ < s_.size(); ++i, ++p_) {
            if (s_[p_] == '\n') ++line_;
        }
    }
    void SkipSpace() {
        while (p_ < s_.size() && IsSpace(s_[p_])) Advance(1);
    }
    // Skips to just past `end`; false when it never comes.
    bool SkipPast(std::string_view end, const char* what) {
        size_t at = s_.find(end, p_);
        if (at == std::string_view::npos) return Fail(std::string("unterminated ") + what);
        Advance(at + end.size() - p_);
        return true;
    }
    // Comments, processing instructions and white space between elements.
    bool SkipMisc() {
        for (;;) {
            SkipSpace();
            if (Starts("<!--")) {
                if (!SkipPast("-->", "comment")) return false;
            } else if (Starts("<?")) {
                if (!SkipPast("?>", "processing instruction")) return false;
            } else {
                return true;
            }
        }
    }
    bool SkipProlog() {
        if (Starts("\xEF\xBB\xBF")) Advance(3);
        if (!SkipMisc()) return false;
        if (Starts("<!DOCTYPE")) {
            if (!SkipPast(">", "DOCTYPE")) return false;
            if (!SkipMisc()) return false;
        }
        if (p_ >= s_.size()) return Fail("no root element");
        return true;
    }
    bool ParseName(std::string& out) {
        size_t start = p_;
        while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
        if (p_ == start) return Fail("name expected");
        out.assign(s_.substr(start, p_ - start));
        return true;
    }
    // Character data up to `stop` with entities decoded.
    bool ParseText(char stop, std::string& out) {
        while (p_ < s_.size() && s_[p_] != stop) {
            if (stop != '<' && s_[p_] == '<') return Fail("'<' in attribute value");
            if (s_[p_] == '&') {
                size_t semi = s_.find(';', p_);
                if (semi == std::string_view::npos || semi - p_ > 12)
                    return Fail("malformed entity");
                if (!DecodeEntity(s_.substr(p_ + 1, semi - p_ - 1), out))
                    return Fail("unknown entity");
                Advance(semi + 1 - p_);
            } else {
                out += s_[p_];
                Advance(1);
            }
        }
        return true;
    }
    bool ParseElement(XmlNode& node, int depth) {
        if (depth >= kMaxXmlDepth) return Fail("elements nested too deeply");
        if (!Starts("<")) return Fail("'<' expected");
        Advance(1);
        if (!ParseName(node.name)) return false;
        for (;;) {
            SkipSpace();
            if (p_ >= s_.size()) return Fail("unterminated start tag <" + node.name + ">");
            if (Starts("/>")) {
                Advance(2);
                return true;
            }
            if (s_[p_] == '>') {
                Advance(1);
                break;
            }
            std::string name, value;
            if (!ParseName(name)) return false;
            SkipSpace();
            if (!Starts("=")) return Fail("'=' expected after attribute " + name);
            Advance(1);
            SkipSpace();
            if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\''))
                return Fail("quoted value expected for attribute " + name);
            char quote = s_[p_];
            Advance(1);
            if (!ParseText(quote, value)) return false;
            if (p_ >= s_.size()) return Fail("unterminated value of attribute " + name);
            Advance(1);
            node.attributes.emplace_back(std::move(name), std::move(value));
        }
        // Content.
        for (;;) {
            if (!ParseText('<', node.text)) return false;
            if (p_ >= s_.size()) return Fail("missing </" + node.name + ">");
            if (Starts("</")) {
                Advance(2);
                std::string closing;
                if (!ParseName(closing)) return false;
                if (closing != node.name)
                    return Fail("</" + closing + "> does not close <" + node.name + ">");
                SkipSpace();
                if (!Starts(">")) return Fail("'>' expected");
                Advance(1);
                return true;
            }
            if (Starts("<!--")) {
                if (!SkipPast("-->", "comment")) return false;
            } else if (Starts("<![CDATA[")) {
                Advance(9);
                size_t end = s_.find("]]>", p_);
                if (end == std::string_view::npos) return Fail("unterminated CDATA");
                node.text.append(s_.substr(p_, end - p_));
                Advance(end + 3 - p_);
            } else if (Starts("<?")) {
                if (!SkipPast("?>", "processing instruction")) return false;
            } else {
                node.children.emplace_back();
                if (!ParseElement(node.children.back(), depth + 1)) return false;
            }
        }
    }

    std::string_view s_;
    size_t p_ = 0;
    int line_ = 1;
    std::string error_;
};

}  // namespace

const std::string* XmlNode::Attribute(std::string_view attributeName) const {
    for (const auto& [name, value] : attributes) {
        if (name == attributeName) return &value;
    }
    return nullptr;
}

XmlParseResult ParseXml(std::string_view text) {
    return Parser(text).Run();
}

XmlParseResult ParseXmlFile(const std::string& path) {
    // Only regular files of sane size: a layout naming a device or a huge
    // file must not hang or exhaust the program.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return {std::nullopt, path + ": cannot be read"};
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxXmlFileBytes) return {std::nullopt, path + ": too large or unreadable"};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, path + ": cannot be read"};
    std::stringstream buffer;
    buffer << in.rdbuf();
    XmlParseResult result = ParseXml(ToWideText(buffer.str()));
    if (!result.root) result.error = path + ": " + result.error;
    return result;
}

std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text) {
    // Parsed as the attributes of a synthetic element so the rules match.
    std::string element = "<a " + std::string(text) + "/>";
    XmlParseResult result = ParseXml(element);
    if (result.root) return result.root->attributes;
    std::vector<std::pair<std::string, std::string>> pairs;
    return pairs;
}

}  // namespace kelno::skin
