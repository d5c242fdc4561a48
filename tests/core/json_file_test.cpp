#include "core/json_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "core/debug_output.h"
#include "core/text_codec.h"
#include "special_files.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

TEST(WriteJsonFile, WritesTheStyledLayoutWithOneExtraLineFeed) {
    test::TempFolder folder;
    Json::Value root;
    root["profilename"] = "profile1";
    root["profileselect"] = 0;
    root["Device"][0]["LightInfo"]["Light"] = 3;
    root["Device"][0]["KeyList"] = Json::Value(Json::arrayValue);
    root["list"].append(1);
    root["list"].append(2);

    ASSERT_EQ(WriteJsonFile(folder / "p.Json", root), 0);
    EXPECT_EQ(folder.ReadFile("p.Json"),
              "{\n"
              "   \"Device\" : [\n"
              "      {\n"
              "         \"KeyList\" : [],\n"
              "         \"LightInfo\" : {\n"
              "            \"Light\" : 3\n"
              "         }\n"
              "      }\n"
              "   ],\n"
              "   \"list\" : [ 1, 2 ],\n"
              "   \"profilename\" : \"profile1\",\n"
              "   \"profileselect\" : 0\n"
              "}\n"
              "\n");
}

TEST(WriteJsonFile, RoundTripsTextAndStoresLegacyBytesAsUtf8) {
    test::TempFolder folder;
    Json::Value root;
    root["utf8"] = "中文 Ünïcödé";
    root["gbk"] = std::string("\xD6\xD0\xCE\xC4");  // "中文" in GBK, from an old file
    ASSERT_EQ(WriteJsonFile(folder / "t.Json", root), 0);

    const std::string text = folder.ReadFile("t.Json");
    EXPECT_TRUE(IsValidUtf8(text));
    const Json::Value back = ReadJsonFile(folder / "t.Json");
    EXPECT_EQ(back["utf8"].asString(), "中文 Ünïcödé");
    EXPECT_EQ(back["gbk"].asString(), "中文");
}

TEST(FormatJsonText, DecodesLegacyMemberNamesAndCommentsToo) {
    const Json::Value value = ParseJsonText(
        "// \xD6\xD0\n{\"\xD6\xD0\": \"\xCE\xC4\" /* \xCE\xC4 */, \"list\": [\"\xD6\xD0\"]}");
    ASSERT_TRUE(value.isObject());
    const std::string text = FormatJsonText(value);
    EXPECT_TRUE(IsValidUtf8(text)) << text;
    const Json::Value back = ParseJsonText(text);
    EXPECT_EQ(back["中"].asString(), "文");
    EXPECT_EQ(back["list"][0].asString(), "中");
    EXPECT_NE(text.find("// 中"), std::string::npos) << "comments are kept";
}

TEST(ReadJsonFile, SkipsBomAndAcceptsComments) {
    test::TempFolder folder;
    folder.WriteFile("bom.json", "\xEF\xBB\xBF{\"a\": 1 // note\n}");
    const Json::Value value = ReadJsonFile(folder / "bom.json");
    ASSERT_TRUE(value.isObject());
    EXPECT_EQ(value["a"].asInt(), 1);
}

TEST(ReadJsonFile, BadFilesReadAsNull) {
    test::TempFolder folder;
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"bom only", "\xEF\xBB\xBF"},
        {"garbage", "not json at all"},
        {"truncated", "{\"a\": [1, 2"},
        {"deep nesting", std::string(100000, '[')},
    };
    for (const auto& [name, content] : cases) {
        folder.WriteFile(name, content);
        EXPECT_TRUE(ReadJsonFile(folder / name).isNull()) << name;
    }
    EXPECT_TRUE(ReadJsonFile(folder / "missing").isNull());
    EXPECT_TRUE(ReadJsonFile(folder.Path()).isNull()) << "a folder is not a file";
}

// Things a user or another program can leave where a stored file belongs.
// None may block the reader, and each says what it is.
TEST(ReadJsonFileWithStatus, TellsMissingDamagedAndUnreadableApart) {
    test::TempFolder folder;
    folder.WriteFile("good.json", "{\"a\": 1}");
    folder.WriteFile("bad.json", "{\"a\": ");
    folder.WriteFile("empty.json", "");
    std::filesystem::create_symlink("good.json", folder / "link.json");
    const test::SpecialFiles special(folder.Path(), ".json");

    const std::pair<const char*, FileReadStatus> cases[] = {
        {"good.json", FileReadStatus::Read},       {"link.json", FileReadStatus::Read},
        {"missing.json", FileReadStatus::Missing}, {"bad.json", FileReadStatus::Damaged},
        {"empty.json", FileReadStatus::Damaged},   {"fifo.json", FileReadStatus::Damaged},
        {"device.json", FileReadStatus::Damaged},  {"socket.json", FileReadStatus::Damaged},
        {"loop.json", FileReadStatus::Damaged},    {"folder.json", FileReadStatus::Unreadable},
    };
    for (const auto& [name, expected] : cases) {
        const JsonFileRead read = ReadJsonFileWithStatus(folder / name);
        EXPECT_EQ(read.status, expected) << name;
        EXPECT_EQ(read.value.isNull(), expected != FileReadStatus::Read) << name;
    }
    EXPECT_EQ(ReadJsonFile(folder / "link.json")["a"].asInt(), 1);
    EXPECT_EQ(ReadFileTextWithStatus(folder / "fifo.json").status, FileReadStatus::Damaged);
    EXPECT_EQ(ReadFileTextWithStatus(folder / "empty.json").status, FileReadStatus::Read)
        << "an empty text file is read; only JSON needs content";
}

// The diagnostic lines a developer follows a read by: the open's system
// error when the file was opened, and a line for anything turned away as
// not a regular file.
TEST(ReadFileTextWithStatus, DiagnosticLinesSayWhatWasMet) {
    test::TempFolder folder;
    folder.WriteFile("good.json", "{}");
    const test::SpecialFiles special(folder.Path(), ".json");
    const auto notAFile = [&](const char* name) {
        return "readjsonFile: " + (folder / name).string() + " is not a regular file";
    };
    const auto opened = [](int error) { return "readjsonFile 错误吗：：" + std::to_string(error); };
    const struct {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"good.json", {opened(0)}},
        {"missing.json", {opened(ENOENT)}},
        {"good.json/under.json", {opened(ENOTDIR)}},
        {"loop.json", {opened(ELOOP)}},
        {"fifo.json", {notAFile("fifo.json")}},  // turned away unopened
        {"device.json", {notAFile("device.json")}},
        {"socket.json", {notAFile("socket.json")}},
        {"folder.json", {opened(0), notAFile("folder.json")}},
    };
    for (const auto& c : cases) {
        ScopedDebugCapture capture;
        ReadFileTextWithStatus(folder / c.name);
        EXPECT_EQ(capture.Lines(), c.lines) << c.name;
    }
}

TEST(ReadFileText, ReturnsWholeContentWithoutBom) {
    test::TempFolder folder;
    folder.WriteFile("a.txt", std::string("\xEF\xBB\xBF"
                                          "abc\0def",
                                          10));
    EXPECT_EQ(ReadFileText(folder / "a.txt"), std::string("abc\0def", 7));
    EXPECT_EQ(ReadFileText(folder / "none.txt"), "");
}

TEST(WriteJsonFile, FailureIsReportedAndLeavesThePreviousFile) {
    test::TempFolder folder;
    EXPECT_EQ(WriteJsonFile(folder / "no" / "such" / "folder.json", Json::Value(1)), 1);

    // A write that fails midway: the file-size limit lets the first bytes of
    // the new content through and then refuses the rest.
    Json::Value old;
    old["keep"] = "me";
    ASSERT_EQ(WriteJsonFile(folder / "p.json", old), 0);
    const std::string before = folder.ReadFile("p.json");

    Json::Value big;
    big["data"] = std::string(64 * 1024, 'x');
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int result = WriteJsonFile(folder / "p.json", big);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(folder.ReadFile("p.json"), before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++files;
    EXPECT_EQ(files, 1u) << "the temporary file must not be left behind";
}

}  // namespace
}  // namespace kelno
