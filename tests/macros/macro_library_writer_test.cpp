#include <gtest/gtest.h>

#include "core/json_file.h"
#include "macros/macro_library_writer.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

constexpr LocalTime kNow{2024, 5, 6, 7, 8, 9, 10};
constexpr const char* kFirstGuid = "2024_05_06_07_08_09_010";
constexpr const char* kNextGuid = "2024_05_06_07_08_09_011";

// A macro folder with a fixed clock, so identifiers are known in advance.
class MacroFolder {
  public:
    MacroFolder() : clock(kNow), writer(folder.Path(), clock) {}

    void WriteIndex(const std::vector<std::pair<std::string, std::string>>& macros) const {
        Json::Value index(Json::objectValue);
        index["MacroInfo"] = Json::Value(Json::arrayValue);
        for (const auto& [name, guid] : macros) {
            Json::Value entry;
            entry["MacroName"] = name;
            entry["Guid"] = guid;
            index["MacroInfo"].append(entry);
        }
        ASSERT_EQ(WriteJsonFile(folder / "macro.config", index), 0);
    }
    void WriteMacros(int count) const {
        std::vector<std::pair<std::string, std::string>> macros;
        for (int i = 0; i < count; ++i)
            macros.push_back({"m" + std::to_string(i), "g" + std::to_string(i)});
        WriteIndex(macros);
    }
    std::vector<MacroIndexEntry> Index() const { return writer.Library().ReadIndex(); }
    std::string IndexText() const { return folder.ReadFile("macro.config"); }
    bool Exists(std::string_view name) const { return fs::exists(folder / name); }

    test::TempFolder folder;
    test::FixedWallClock clock;
    MacroLibraryWriter writer;
};

TEST(MacroNames, FirstFreeNameIgnoresCase) {
    struct Case {
        std::vector<std::string> names;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "macro_1"},
        {{"macro_1", "Macro_3"}, "macro_2"},
        {{"macro_1", "Macro_3", "macro_2"}, "macro_4"},
        {{"MACRO_2", "macro_1 ", "other"}, "macro_1"},
        {{"macro_3", "macro_2", "MaCrO_1"}, "macro_4"},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstFreeMacroName(c.names), c.expected);
}

TEST(MacroLibraryWriter, CreateAppendsToTheFilesOwnList) {
    MacroFolder f;
    // The list on disk may differ from what a panel shows; entries are never
    // overwritten by position.
    f.folder.WriteFile("macro.config", R"({"MacroInfo": [
        {"MacroName": "macro_1", "Guid": "a"}, {"MacroName": "Macro_3", "Guid": "b"}],
        "Other": 7})");
    const MacroLibraryResult first = f.writer.Create();
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(first.name, "macro_2");
    EXPECT_EQ(first.index, 2);
    EXPECT_EQ(first.guid, kFirstGuid);
    const MacroLibraryResult second = f.writer.Create();
    EXPECT_EQ(second.name, "macro_4");
    EXPECT_EQ(second.index, 3);
    EXPECT_EQ(
        f.Index(),
        (std::vector<MacroIndexEntry>{
            {"macro_1", "a"}, {"Macro_3", "b"}, {"macro_2", kFirstGuid}, {"macro_4", kNextGuid}}));
    EXPECT_EQ(ReadJsonFile(f.folder / "macro.config")["Other"], 7);
    // Nothing is saved yet: a new macro has no file.
    EXPECT_FALSE(f.Exists(std::string(kFirstGuid) + ".mac"));
}

TEST(MacroLibraryWriter, NewIdentifiersAreFreeWithinOneMillisecond) {
    MacroFolder f;
    // A stray file holds the identifier the clock gives first.
    f.folder.WriteFile(std::string(kFirstGuid) + ".mac", "{}");
    f.WriteIndex({{"x", kNextGuid}});
    const MacroLibraryResult created = f.writer.Create();
    ASSERT_TRUE(created.Ok());
    EXPECT_EQ(created.guid, "2024_05_06_07_08_09_012");
    EXPECT_NE(f.writer.Create().guid, created.guid);
}

TEST(MacroLibraryWriter, CreateAndImportRefuseAtFiftyAndChangeNothing) {
    MacroFolder f;
    f.WriteMacros(MacroLimits::kMacrosPerDevice);
    const std::string before = f.IndexText();
    const fs::path source = f.folder.WriteFile("in/source.mac", R"({"Events": []})");
    EXPECT_EQ(f.writer.Create().status, MacroLibraryStatus::Full);
    EXPECT_EQ(f.writer.Import(source).status, MacroLibraryStatus::Full);
    EXPECT_EQ(f.IndexText(), before);
    EXPECT_FALSE(f.Exists(std::string(kFirstGuid) + ".mac"));
}

TEST(MacroLibraryWriter, DamagedIndexIsKeptAsBackupAndNotReplaced) {
    for (const char* content : {"{broken", "[1, 2]", R"({"MacroInfo": 5})"}) {
        MacroFolder f;
        f.folder.WriteFile("macro.config", content);
        EXPECT_EQ(f.writer.Create().status, MacroLibraryStatus::DamagedIndex) << content;
        EXPECT_EQ(f.writer.Rename(0, "x").status, MacroLibraryStatus::DamagedIndex) << content;
        EXPECT_EQ(f.IndexText(), content);
        EXPECT_EQ(f.folder.ReadFile("macro.config.bak"), content);
    }
}

// Without a backup the result must not claim one: the message names it.
TEST(MacroLibraryWriter, IndexWithoutABackupIsUnreadableNotKept) {
    MacroFolder unreadable;
    fs::create_directory(unreadable.folder / "macro.config");
    EXPECT_EQ(unreadable.writer.Create().status, MacroLibraryStatus::UnreadableIndex);
    EXPECT_FALSE(unreadable.Exists("macro.config.bak"));

    MacroFolder noRoom;
    noRoom.folder.WriteFile("macro.config", "{broken");
    noRoom.folder.WriteFile("macro.config.bak/inside", "a folder in the backup's place");
    EXPECT_EQ(noRoom.writer.Create().status, MacroLibraryStatus::UnreadableIndex);
    EXPECT_EQ(noRoom.IndexText(), "{broken");
}

TEST(MacroLibraryWriter, FailedIndexWriteIsReported) {
    test::TempFolder parent;
    test::FixedWallClock clock(kNow);
    MacroLibraryWriter writer(parent / "not-there", clock);
    EXPECT_EQ(writer.Create().status, MacroLibraryStatus::WriteFailed);
    const fs::path source = parent.WriteFile("source.mac", R"({"Events": []})");
    EXPECT_EQ(writer.Import(source).status, MacroLibraryStatus::CopyFailed);
    EXPECT_FALSE(fs::exists(parent / "not-there"));
}

TEST(MacroLibraryWriter, RenameRefusesClashesTable) {
    struct Case {
        int index;
        const char* name;
        MacroLibraryStatus status;
    };
    const Case cases[] = {
        {0, "", MacroLibraryStatus::EmptyName},        {0, "COMBO", MacroLibraryStatus::NameTaken},
        {0, "MACRO_1", MacroLibraryStatus::NameTaken},  // its own name too
        {2, "new", MacroLibraryStatus::NoSuchMacro},   {-1, "new", MacroLibraryStatus::NoSuchMacro},
        {1, "Renamed", MacroLibraryStatus::Ok},
    };
    for (const auto& c : cases) {
        MacroFolder f;
        f.WriteIndex({{"macro_1", "g1"}, {"Combo", "g2"}});
        const std::string before = f.IndexText();
        const MacroLibraryResult result = f.writer.Rename(c.index, c.name);
        EXPECT_EQ(result.status, c.status) << c.name;
        if (c.status != MacroLibraryStatus::Ok) {
            EXPECT_EQ(f.IndexText(), before) << c.name;
            continue;
        }
        EXPECT_EQ(f.Index(), (std::vector<MacroIndexEntry>{{"macro_1", "g1"}, {"Renamed", "g2"}}));
    }
}

TEST(MacroLibraryWriter, RemoveWritesTheIndexAndRemovesOnlyItsOwnFile) {
    MacroFolder f;
    const std::string victim = f.folder.Path().filename().string() + "-victim";
    f.WriteIndex(
        {{"a", "g0"}, {"b", "g1"}, {"c", "g2"}, {"twin", "g2"}, {"escape", "../" + victim}});
    for (const char* name : {"g0.mac", "g1.mac", "g2.mac"}) f.folder.WriteFile(name, "{}");
    const fs::path outside = f.folder.WriteFile("../" + victim + ".mac", "{}");

    const MacroLibraryResult removed = f.writer.Remove(1);
    ASSERT_TRUE(removed.Ok());
    EXPECT_EQ(removed.index, 1);
    EXPECT_FALSE(f.Exists("g1.mac"));
    EXPECT_TRUE(f.Exists("g0.mac"));
    // Another entry still names g2: its file stays.
    ASSERT_TRUE(f.writer.Remove(1).Ok());
    EXPECT_TRUE(f.Exists("g2.mac"));
    // A Guid that is not a bare name never becomes a path.
    ASSERT_TRUE(f.writer.Remove(2).Ok());
    EXPECT_TRUE(fs::exists(outside));
    fs::remove(outside);
    EXPECT_EQ(f.Index(), (std::vector<MacroIndexEntry>{{"a", "g0"}, {"twin", "g2"}}));
    EXPECT_EQ(f.writer.Remove(2).status, MacroLibraryStatus::NoSuchMacro);
}

TEST(MacroLibraryWriter, ImportCopiesTheSourceUnchangedBeforeListingIt) {
    MacroFolder f;
    f.WriteIndex({{"macro_1", "g1"}});
    const std::string content =
        "{ \"MacroName\": \"Theirs\",  \"Guid\": \"x\",\n\"Events\": [ {\"Type\": 10} ] }";
    const fs::path source = f.folder.WriteFile("in/source.mac", content);
    const MacroLibraryResult imported = f.writer.Import(source);
    ASSERT_TRUE(imported.Ok());
    EXPECT_EQ(imported.name, "macro_2");
    EXPECT_EQ(imported.index, 1);
    EXPECT_EQ(f.folder.ReadFile(std::string(kFirstGuid) + ".mac"), content);
    EXPECT_EQ(f.Index().back(), (MacroIndexEntry{"macro_2", kFirstGuid}));
}

TEST(MacroLibraryWriter, ImportRefusesWhatIsNotAMacroFile) {
    struct Case {
        const char* content;  // nullptr: no file at all
        MacroLibraryStatus status;
    };
    const Case cases[] = {
        {"not json", MacroLibraryStatus::InvalidFile},
        {R"([{"Events": []}])", MacroLibraryStatus::InvalidFile},
        {R"({"MacroName": "x"})", MacroLibraryStatus::InvalidFile},
        {R"({"Events": {}})", MacroLibraryStatus::InvalidFile},
        {"", MacroLibraryStatus::InvalidFile},
        {nullptr, MacroLibraryStatus::InvalidFile},
    };
    for (const auto& c : cases) {
        MacroFolder f;
        f.WriteIndex({{"macro_1", "g1"}});
        const std::string before = f.IndexText();
        const fs::path source = c.content ? f.folder.WriteFile("in/source.mac", c.content)
                                          : f.folder / "in/missing.mac";
        EXPECT_EQ(f.writer.Import(source).status, c.status) << (c.content ? c.content : "missing");
        EXPECT_EQ(f.IndexText(), before);
        EXPECT_FALSE(f.Exists(std::string(kFirstGuid) + ".mac"));
    }
}

TEST(MacroLibraryWriter, ExportCopiesTheSavedFileOnly) {
    MacroFolder f;
    f.WriteIndex({{"saved", "g1"}, {"never saved", "g2"}});
    const std::string saved = "{\"Events\": [],\n  \"Version\": 64}\n";
    f.folder.WriteFile("g1.mac", saved);

    EXPECT_TRUE(f.writer.Export(0, f.folder / "out.mac").Ok());
    EXPECT_EQ(f.folder.ReadFile("out.mac"), saved);
    EXPECT_EQ(f.writer.Export(1, f.folder / "none.mac").status,
              MacroLibraryStatus::NothingToExport);
    EXPECT_FALSE(f.Exists("none.mac"));
    EXPECT_EQ(f.writer.Export(0, f.folder / "no-folder/out.mac").status,
              MacroLibraryStatus::CopyFailed);
    EXPECT_EQ(f.writer.Export(2, f.folder / "out2.mac").status, MacroLibraryStatus::NoSuchMacro);
}

TEST(MacroLibraryWriter, SaveWritesTheWholeMacroFile) {
    MacroFolder f;
    f.WriteIndex({{"Combo", "g1"}});
    f.folder.WriteFile("g1.mac", R"({"Stale": true, "Events": [{"Type": 1}]})");
    const std::vector<MacroEvent> events = {{10, 4, true, 0, true}, {10, 4, false, 65535}};
    ASSERT_TRUE(f.writer.SaveEvents(0, events).Ok());

    const Json::Value macro = ReadJsonFile(f.folder / "g1.mac");
    EXPECT_EQ(macro.getMemberNames(),
              (std::vector<std::string>{"Events", "Guid", "MacroName", "Version"}));
    EXPECT_EQ(macro["MacroName"], "Combo");
    EXPECT_EQ(macro["Guid"], "g1");
    EXPECT_EQ(macro["Version"], 64);
    EXPECT_EQ(macro["Events"][0]["Delay"], Json::Value(0));  // the recorder's first event
    EXPECT_EQ(macro["Events"][1]["Delay"], Json::Value("65535"));
    EXPECT_EQ(f.writer.Library().ReadEvents("g1"),
              (std::vector<MacroEvent>{{10, 4, true, 0}, {10, 4, false, 65535}}));
}

TEST(MacroLibraryWriter, SaveRefusals) {
    MacroFolder f;
    // Beside the temporary folder, under a name no other test uses.
    const std::string escape = f.folder.Path().filename().string() + "-escape";
    f.WriteIndex({{"a", "g1"}, {"b", "../" + escape}});
    fs::create_directory(f.folder / "g1.mac");
    const std::vector<MacroEvent> one = {{10, 4, true, 5}};
    EXPECT_EQ(f.writer.SaveEvents(0, one).status, MacroLibraryStatus::WriteFailed);
    EXPECT_EQ(f.writer.SaveEvents(1, one).status, MacroLibraryStatus::WriteFailed);
    EXPECT_FALSE(fs::exists(f.folder.Path().parent_path() / (escape + ".mac")));
    EXPECT_EQ(f.writer.SaveEvents(2, one).status, MacroLibraryStatus::NoSuchMacro);
    const std::vector<MacroEvent> tooMany(MacroLimits::kEventsPerMacro + 1);
    EXPECT_EQ(f.writer.SaveEvents(0, tooMany).status, MacroLibraryStatus::TooManyEvents);
}

}  // namespace
}  // namespace kelno
