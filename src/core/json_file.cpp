#include "core/json_file.h"

#include <json/reader.h>
#include <json/writer.h>

#include <unistd.h>

#include <cerrno>
#include <memory>

#include "core/atomic_file.h"
#include "core/debug_output.h"
#include "core/regular_file.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

// Files this program reads are small; anything larger is not ours.
constexpr std::uintmax_t kMaxJsonFileSize = 64u * 1024u * 1024u;

// Text that is not valid UTF-8 (legacy code page bytes from older files) is
// decoded in place: string values, member names and kept comments alike.
void DecodeLegacyText(Json::Value& value) {
    for (const auto placement :
         {Json::commentBefore, Json::commentAfterOnSameLine, Json::commentAfter}) {
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

// Reads until end of file, one byte past the size limit at most.
FileReadStatus ReadToEnd(int fd, std::string& text) {
    char buffer[64 * 1024];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileReadStatus::Unreadable;
        if (n == 0) return FileReadStatus::Read;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > kMaxJsonFileSize) return FileReadStatus::Damaged;
    }
}

}  // namespace

TextFileRead ReadFileTextWithStatus(const std::filesystem::path& path) {
    const RegularFile file = OpenRegularFile(path);
    // The same diagnostic line older versions wrote, with the system error.
    if (file.openResult) DebugOutputF("readjsonFile 错误吗：：%d", *file.openResult);
    switch (file.error) {
        case RegularFileError::None:
            break;
        case RegularFileError::Missing:
            return {FileReadStatus::Missing, {}};
        case RegularFileError::Unreadable:
            return {FileReadStatus::Unreadable, {}};
        case RegularFileError::NotAFile:
            // A failed open has already said why.
            if (file.openResult.value_or(0) == 0)
                DebugOutputF("readjsonFile: %s is not a regular file", path.c_str());
            // A folder is where a file is expected but cannot be read;
            // anything else in its place is not ours.
            return {file.folder ? FileReadStatus::Unreadable : FileReadStatus::Damaged, {}};
    }
    if (file.size > kMaxJsonFileSize) {
        DebugOutputF("readjsonFile: %s is too large", path.c_str());
        return {FileReadStatus::Damaged, {}};
    }
    std::string text;
    const FileReadStatus status = ReadToEnd(file.fd.Get(), text);
    if (status != FileReadStatus::Read) {
        DebugOutputF("readjsonFile: cannot read %s whole", path.c_str());
        return {status, {}};
    }
    return {FileReadStatus::Read, std::string(StripUtf8Bom(text))};
}

std::string ReadFileText(const std::filesystem::path& path) {
    return ReadFileTextWithStatus(path).text;
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

JsonFileRead ReadJsonFileWithStatus(const std::filesystem::path& path) {
    TextFileRead read = ReadFileTextWithStatus(path);
    if (read.status != FileReadStatus::Read) {
        DebugOutput(path.string());
        return {read.status, {}};
    }
    Json::Value value = ParseJsonText(read.text);
    if (value.isNull()) {
        DebugOutputF("readjsonFile: %s is not JSON", path.c_str());
        return {FileReadStatus::Damaged, {}};
    }
    return {FileReadStatus::Read, std::move(value)};
}

Json::Value ReadJsonFile(const std::filesystem::path& path) {
    return ReadJsonFileWithStatus(path).value;
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
