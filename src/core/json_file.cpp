#include "core/json_file.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/atomic_file.h"
#include "core/debug_output.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

// Files this program reads are small; anything larger is not ours.
constexpr std::uintmax_t kMaxJsonFileSize = 64u * 1024u * 1024u;

// Text that is not valid UTF-8 (legacy code page bytes from older files) is
// decoded in place: string values, member names and kept comments alike.
void DecodeLegacyText(Json::Value& value) {
    for (const auto placement : {Json::commentBefore, Json::commentAfterOnSameLine, Json::commentAfter}) {
        if (!value.hasComment(placement)) continue;
        const std::string comment = value.getComment(placement);
        if (!IsValidUtf8(comment)) value.setComment(ToWideText(comment), placement);
    }
    switch (value.type()) {
        case Json::stringValue: {
            const char* begin = nullptr;
            const char* end = nullptr;
            value.getString(&begin, &end);
            const std::string_view text(begin, static_cast<size_t>(end - begin));
            // copyPayload keeps the value's comments.
            if (!IsValidUtf8(text)) value.copyPayload(Json::Value(ToWideText(text)));
            break;
        }
        case Json::arrayValue:
            for (Json::ArrayIndex i = 0; i < value.size(); ++i) DecodeLegacyText(value[i]);
            break;
        case Json::objectValue:
            for (const std::string& name : value.getMemberNames()) {
                if (!IsValidUtf8(name)) {
                    Json::Value member;
                    value.removeMember(name, &member);
                    value[ToWideText(name)] = std::move(member);
                }
            }
            for (auto it = value.begin(); it != value.end(); ++it) DecodeLegacyText(*it);
            break;
        default:
            break;
    }
}

}  // namespace

std::string ReadFileText(const std::filesystem::path& path) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    // The same diagnostic line older versions wrote, with the system error.
    DebugOutputF("readjsonFile 错误吗：：%d", errno);
    if (!file) return {};
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxJsonFileSize) {
        DebugOutputF("readjsonFile: cannot size %s", path.c_str());
        return {};
    }
    std::ostringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    if (file.bad() || text.size() != size) {
        DebugOutputF("readjsonFile: short read of %s", path.c_str());
        return {};
    }
    return std::string(StripUtf8Bom(text));
}

Json::Value ParseJsonText(std::string_view text) {
    Json::CharReaderBuilder builder;
    builder["collectComments"] = true;
    builder["allowComments"] = true;
    builder["stackLimit"] = 256;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    const std::string_view body = StripUtf8Bom(text);
    try {
        if (!reader->parse(body.data(), body.data() + body.size(), &root, &errors)) return {};
    } catch (const std::exception&) {
        // jsoncpp throws when the nesting limit is hit; that file is not ours.
        return {};
    }
    return root;
}

Json::Value ReadJsonFile(const std::filesystem::path& path) {
    const std::string text = ReadFileText(path);
    if (text.empty()) {
        DebugOutput(path.string());
        return {};
    }
    return ParseJsonText(text);
}

std::string FormatJsonText(const Json::Value& value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::Value utf8 = value;
    DecodeLegacyText(utf8);
    Json::StyledWriter writer;
    std::string text = writer.write(utf8);
#pragma GCC diagnostic pop
    text.push_back('\n');
    return text;
}

int WriteJsonFile(const std::filesystem::path& path, const Json::Value& value) {
    const WriteOutcome outcome = WriteFileAtomically(path, FormatJsonText(value));
    DebugOutputF("wirtejsonFile 错误吗：：%d", outcome.ok ? 0 : 1);
    if (!outcome.ok) {
        DebugOutputF("%s: %s", path.c_str(), outcome.error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kelno
