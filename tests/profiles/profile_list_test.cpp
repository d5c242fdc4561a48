#include "profiles/profile_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "core/json_file.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

class ProfileListFixture : public ::testing::Test {
  protected:
    ProfileListFixture()
        : clock_({2024, 5, 1, 12, 0, 0, 0}),
          defaultPath_(folder_.WriteFile("DefaultData/HD.Json",
                                         R"({"Device": [{"LightInfo": {"Light": 4},
                                              "CustomEQNameInfo": [{"Name": "factory"}]}]})")),
          store_(folder_ / "user", defaultPath_, clock_) {}

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : store_.Load().entries) names.push_back(entry.name);
        return names;
    }
    Json::Value List() { return ReadJsonFile(store_.ListPath()); }
    Json::Value Profile(int index) {
        return ReadJsonFile(
            store_.ProfilePath(store_.Load().entries.at(static_cast<size_t>(index)).uuid));
    }

    test::TempFolder folder_;
    test::FixedWallClock clock_;
    fs::path defaultPath_;
    ProfileListStore store_;
};

TEST_F(ProfileListFixture, FirstStartCreatesProfile1FromTheDefault) {
    const ProfileListState state = store_.Load();
    ASSERT_EQ(state.entries.size(), 1u);
    EXPECT_EQ(state.entries[0], (ProfileEntry{"profile1", "2024_05_01_12_00_00_000"}));
    EXPECT_EQ(state.selected, 0);
    EXPECT_EQ(List()["profileselect"].asInt(), 0);
    EXPECT_EQ(List()["profilelist"][0]["profileislink"].asInt(), 0);
    const Json::Value profile = Profile(0);
    EXPECT_EQ(profile["profilename"].asString(), "profile1");
    EXPECT_EQ(profile["profileUUID"].asString(), "2024_05_01_12_00_00_000");
    EXPECT_EQ(profile["Device"][0]["LightInfo"]["Light"].asInt(), 4);
}

TEST_F(ProfileListFixture, AddPicksTheFirstFreeNameAndDistinctFiles) {
    store_.Load();
    ASSERT_EQ(store_.Rename(0, "Profile2"), ProfileListStore::RenameResult::Renamed);
    EXPECT_EQ(store_.Add(), 1);
    EXPECT_EQ(store_.Add(), 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Profile2", "profile1", "profile3"}));
    EXPECT_EQ(List()["profileselect"].asInt(), 2) << "the next start opens the new profile";
    const auto entries = store_.Load().entries;
    EXPECT_NE(entries[1].uuid, entries[2].uuid) << "same millisecond, still two files";
    EXPECT_TRUE(fs::exists(store_.ProfilePath(entries[2].uuid)));
}

TEST_F(ProfileListFixture, AddStopsAtFiftyButCopyAndImportGoOn) {
    store_.Load();
    for (int i = 1; i < 50; ++i) ASSERT_TRUE(store_.Add().has_value()) << i;
    EXPECT_FALSE(store_.Add().has_value());
    EXPECT_EQ(store_.Copy(0), 50);
    const fs::path exported = folder_ / "out.json";
    ASSERT_EQ(store_.Export(0, exported), ProfileListStore::ExportResult::Exported);
    int index = -1;
    EXPECT_EQ(store_.Import(exported, &index), ProfileListStore::ImportResult::Imported);
    EXPECT_EQ(index, 51);
}

TEST_F(ProfileListFixture, CopyAndImportNamesAvoidTakenOnes) {
    store_.Load();
    store_.Rename(0, "A");
    store_.Copy(0);
    store_.Copy(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "A copy", "A copy copy"}));
    EXPECT_EQ(Profile(2)["profilename"].asString(), "A copy copy");

    const fs::path game = folder_.WriteFile("game.json", R"({"profilename": "Game",
        "profileUUID": "2024_05_01_12_00_00_000", "Device": [{"LightInfo": {"Light": 9}}]})");
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(store_.Import(game), ProfileListStore::ImportResult::Imported);
    const auto names = Names();
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
              (std::vector<std::string>{"Game", "Game(1)", "Game(1)(2)"}));
    EXPECT_EQ(Profile(0)["profilename"].asString(), "A") << "an import never overwrites a profile";
    EXPECT_EQ(Profile(5)["Device"][0]["LightInfo"]["Light"].asInt(), 9);
}

TEST_F(ProfileListFixture, ImportRefusesFilesThatAreNotProfiles) {
    store_.Load();
    const std::pair<const char*, const char*> files[] = {
        {"garbage.json", "not json"},
        {"noname.json", R"({"profileUUID": "x", "Device": []})"},
        {"nouuid.json", R"({"profilename": "x", "Device": []})"},
        {"nodevice.json", R"({"profilename": "x", "profileUUID": "x"})"},
        {"wrongtypes.json", R"({"profilename": 3, "profileUUID": "x", "Device": []})"},
    };
    for (const auto& [name, content] : files)
        EXPECT_EQ(store_.Import(folder_.WriteFile(name, content)),
                  ProfileListStore::ImportResult::NotAProfile)
            << name;
    EXPECT_EQ(Names().size(), 1u);
}

TEST_F(ProfileListFixture, DeleteKeepsTheLastProfileAndMovesTheSelection) {
    store_.Load();
    store_.Add();
    store_.Add();
    const std::string firstUuid = store_.Load().entries[0].uuid;
    EXPECT_EQ(store_.Delete(0), 0);
    EXPECT_FALSE(fs::exists(store_.ProfilePath(firstUuid)));
    EXPECT_EQ(List()["profileselect"].asInt(), 0);
    EXPECT_EQ(store_.Delete(1), 0);
    EXPECT_FALSE(store_.Delete(0).has_value()) << "the last profile stays";
    EXPECT_FALSE(store_.Delete(-1).has_value());
    EXPECT_FALSE(store_.Delete(5).has_value());
    EXPECT_EQ(Names().size(), 1u);
}

TEST_F(ProfileListFixture, RenameRules) {
    store_.Load();
    store_.Add();
    EXPECT_EQ(store_.Rename(1, "PROFILE1"), ProfileListStore::RenameResult::NameTaken);
    EXPECT_EQ(store_.Rename(1, "Profile2"), ProfileListStore::RenameResult::Renamed) << "own name";
    EXPECT_EQ(store_.Rename(1, ""), ProfileListStore::RenameResult::Invalid);
    EXPECT_EQ(store_.Rename(7, "x"), ProfileListStore::RenameResult::Invalid);
    EXPECT_EQ(store_.Rename(0, "Raid 中"), ProfileListStore::RenameResult::Renamed);
    EXPECT_EQ(Profile(0)["profilename"].asString(), "Raid 中");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Raid 中", "Profile2"}));
}

TEST_F(ProfileListFixture, ResetKeepsTheHeadsetsCustomCurves) {
    store_.Load();
    const fs::path path = store_.ProfilePath(store_.Load().entries[0].uuid);
    Json::Value edited = ReadJsonFile(path);
    edited["Device"][0]["LightInfo"]["Light"] = 1;
    edited["Device"][0]["CustomEQNameInfo"][0]["Name"] = "mine";
    edited["Device"][0]["CustomEQHzValueInfo"][0][0]["value"] = 5;
    WriteJsonFile(path, edited);

    ASSERT_TRUE(store_.Reset(0, 7));
    Json::Value reset = ReadJsonFile(path);
    EXPECT_EQ(reset["Device"][0]["LightInfo"]["Light"].asInt(), 4);
    EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "mine");
    EXPECT_EQ(reset["Device"][0]["CustomEQHzValueInfo"][0][0]["value"].asInt(), 5);
    EXPECT_EQ(reset["profilename"].asString(), "profile1");

    WriteJsonFile(path, edited);
    ASSERT_TRUE(store_.Reset(0, 1));
    EXPECT_EQ(ReadJsonFile(path)["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "factory");
}

TEST_F(ProfileListFixture, ExportOfAnUnreadableProfileLeavesTheTargetAlone) {
    store_.Load();
    const fs::path target = folder_.WriteFile("keep.json", "precious");
    fs::remove(store_.ProfilePath(store_.Load().entries[0].uuid));
    EXPECT_EQ(store_.Export(0, target), ProfileListStore::ExportResult::Unreadable);
    EXPECT_EQ(folder_.ReadFile("keep.json"), "precious");
    EXPECT_EQ(store_.Export(3, target), ProfileListStore::ExportResult::Invalid);
}

TEST_F(ProfileListFixture, DamagedListIsKeptAndRebuiltFromTheProfileFiles) {
    store_.Load();
    store_.Add();
    store_.Rename(1, "Second");
    const auto before = store_.Load().entries;
    folder_.WriteFile("user/ProfileList.ini", "{ \"profilelist\": [ broken");
    folder_.WriteFile("user/stray.Json", R"({"profilename": "x", "profileUUID": "other"})");

    const ProfileListState rebuilt = store_.Load();
    EXPECT_EQ(rebuilt.entries, before);
    EXPECT_EQ(rebuilt.selected, 0);
    EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini.bak"), "{ \"profilelist\": [ broken");
    EXPECT_TRUE(List().isObject()) << "the rebuilt list is written";
}

TEST_F(ProfileListFixture, EveryKindOfDamageIsKeptAsBackupAndRebuilt) {
    store_.Load();
    store_.Add();
    const auto before = store_.Load().entries;
    const std::string cases[] = {
        R"({"profilelist": "not an array", "profileselect": 1})",
        R"([{"profilename": "x", "profileUUID": "y"}])",
        R"({"profilelist": [], "profileselect": 0})",
    };
    for (const std::string& content : cases) {
        folder_.WriteFile("user/ProfileList.ini", content);
        const ProfileListState rebuilt = store_.Load();
        EXPECT_EQ(rebuilt.entries, before) << content;
        EXPECT_FALSE(rebuilt.inMemoryOnly) << content;
        EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini.bak"), content);
        EXPECT_EQ(List()["profilelist"].size(), before.size()) << content;
    }

    // Neither may block: a FIFO in the list's place is damage like any other.
    fs::remove(store_.ListPath());
    ASSERT_EQ(::mkfifo(store_.ListPath().c_str(), 0600), 0);
    EXPECT_EQ(store_.Load().entries, before);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(folder_ / "user/ProfileList.ini.bak")));
    EXPECT_TRUE(List().isObject());
}

TEST_F(ProfileListFixture, ListThatCannotBeReadOrBackedUpIsWorkedOnInMemory) {
    store_.Load();
    store_.Add();
    const auto before = store_.Load().entries;
    const auto profileFiles = [&] {
        std::vector<fs::path> found;
        for (const auto& file : fs::directory_iterator(folder_ / "user"))
            if (file.path().extension() == ".Json") found.push_back(file.path());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<fs::path> filesBefore = profileFiles();
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"a folder in the list's place (reads like a permission error)",
         [&] {
             fs::remove(store_.ListPath());
             fs::create_directories(store_.ListPath() / "inside");
         },
         [&] { EXPECT_TRUE(fs::is_directory(store_.ListPath() / "inside")); }},
        {"a damaged list whose backup's place is taken",
         [&] {
             fs::remove_all(store_.ListPath());
             folder_.WriteFile("user/ProfileList.ini", "{ broken");
             fs::create_directories(folder_ / "user/ProfileList.ini.bak/inside");
         },
         [&] { EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini"), "{ broken"); }},
    };
    for (const Case& c : cases) {
        c.arrange();
        const ProfileListState state = store_.Load();
        EXPECT_TRUE(state.inMemoryOnly) << c.what;
        EXPECT_EQ(state.entries, before) << c.what << ": rebuilt from the profile files";
        EXPECT_TRUE(store_.Select(1).inMemoryOnly) << c.what;
        EXPECT_EQ(store_.Add(), std::nullopt) << c.what;
        EXPECT_EQ(store_.Copy(0), std::nullopt) << c.what;
        EXPECT_EQ(store_.Delete(1), std::nullopt) << c.what;
        EXPECT_EQ(store_.Rename(0, "new"), ProfileListStore::RenameResult::ListNotWritten)
            << c.what;
        c.check();
        EXPECT_EQ(profileFiles(), filesBefore) << c.what << ": no profile file is added or removed";
    }
}

TEST_F(ProfileListFixture, RenameReachesTheListWhenTheProfileFileCannotTakeIt) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> spoil;
        ProfileListStore::RenameResult expected;
    };
    const Case cases[] = {
        {"a folder in the file's place (reads like a permission error)",
         [](const fs::path& file) {
             fs::remove(file);
             fs::create_directories(file / "inside");
         },
         ProfileListStore::RenameResult::ListOnly},
        {"a file that is not JSON",
         [&](const fs::path& file) {
             folder_.WriteFile(file.lexically_relative(folder_.Path()).string(), "{ x");
         },
         ProfileListStore::RenameResult::ListOnly},
        {"no file: made under the list's name when next loaded",
         [](const fs::path& file) { fs::remove(file); }, ProfileListStore::RenameResult::Renamed},
    };
    int n = 0;
    for (const Case& c : cases) {
        store_.Load();
        ASSERT_EQ(store_.Add(), 1) << c.what;
        const fs::path file = store_.ProfilePath(store_.Load().entries[1].uuid);
        c.spoil(file);
        const std::string name = "renamed" + std::to_string(++n);
        EXPECT_EQ(store_.Rename(1, name), c.expected) << c.what;
        EXPECT_EQ(Names()[1], name) << c.what << ": the list holds the new name";
        EXPECT_EQ(store_.Delete(1), 0) << c.what;
        fs::remove_all(file);
    }
}

TEST_F(ProfileListFixture, ListThatMayNotBeReadKeepsItsSelection) {
    store_.Load();
    store_.Add();
    const std::string stored = folder_.ReadFile("user/ProfileList.ini");
    for (const fs::path& folder : {folder_.Path(), folder_ / "user"})
        fs::permissions(folder, fs::perms::all);
    fs::permissions(store_.ListPath(), fs::perms::none);
    const int child = test::RunUnprivileged([&] {
        const ProfileListState state = store_.Load();
        return state.inMemoryOnly && state.entries.size() == 2 && !store_.Add() ? 0 : 1;
    });
    EXPECT_EQ(child, 0) << "rebuilt in memory from the profile files; nothing added";
    EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini"), stored);
    EXPECT_EQ(ReadJsonFile(store_.ListPath())["profileselect"].asInt(), 1);
}

TEST_F(ProfileListFixture, RepeatedAndNamelessEntriesAreMadeUnique) {
    const std::string content = R"({"profileselect": 2, "profilelist": [
        {"profilename": "Profile1", "profileUUID": "u1"},
        {"profilename": "", "profileUUID": "u2"},
        {"profilename": "again", "profileUUID": "u1"},
        {"profileUUID": "u3"}]})";
    folder_.WriteFile("user/ProfileList.ini", content);
    const ProfileListState state = store_.Load();
    const std::vector<ProfileEntry> expected = {
        {"Profile1", "u1"}, {"profile2", "u2"}, {"profile3", "u3"}};
    EXPECT_EQ(state.entries, expected);
    EXPECT_EQ(state.selected, 0) << "the selected repeat names u1's file";
    EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini.bak"), content) << "an entry was dropped";
    EXPECT_EQ(List()["profilelist"][1]["profilename"].asString(), "profile2");
}

TEST_F(ProfileListFixture, HugeListIsBoundedAndItsFileKept) {
    constexpr int kWritten = 30000;
    Json::Value list(Json::objectValue);
    for (int i = 0; i < kWritten; ++i) {
        Json::Value entry(Json::objectValue);
        entry["profilename"] = i % 3 == 0 ? "" : "p" + std::to_string(i);
        entry["profileUUID"] = "u" + std::to_string(i);
        list["profilelist"].append(entry);
    }
    list["profileselect"] = kWritten - 1;
    fs::create_directories(store_.ListPath().parent_path());
    ASSERT_EQ(WriteJsonFile(store_.ListPath(), list), 0);

    const ProfileListState state = store_.Load();
    ASSERT_EQ(state.entries.size(), size_t{ProfileListStore::kMaxListedProfiles});
    EXPECT_EQ(state.entries[ProfileListStore::kMaxListedProfiles - 2].uuid,
              "u" + std::to_string(ProfileListStore::kMaxListedProfiles - 2));
    EXPECT_EQ(state.entries.back().uuid, "u" + std::to_string(kWritten - 1))
        << "the selected profile is kept beyond the cap";
    EXPECT_EQ(state.selected, ProfileListStore::kMaxListedProfiles - 1);
    EXPECT_EQ(ReadJsonFile(folder_ / "user/ProfileList.ini.bak")["profilelist"].size(),
              Json::ArrayIndex{kWritten});
    EXPECT_EQ(List()["profilelist"].size(), Json::ArrayIndex{ProfileListStore::kMaxListedProfiles});
}

TEST_F(ProfileListFixture, TheSelectionStaysOnItsProfileWhenEntriesAreDropped) {
    const std::string tooLong(300, 'x');
    const auto entry = [](const std::string& uuid) {
        return R"({"profilename": "n", "profileUUID": ")" + uuid + R"("})";
    };
    struct Case {
        const char* what;
        std::vector<std::string> entries;
        int stored;
        std::string selectedUuid;
    };
    const Case cases[] = {
        {"unusable entries before it",
         {entry("../x"), entry(tooLong), entry("a"), entry("b"), entry("c")},
         3,
         "b"},
        {"a repeat of an earlier entry", {entry("a"), entry("b"), entry("a")}, 2, "a"},
        {"the selected entry itself unusable: the one before it",
         {entry("a"), entry("b"), entry(tooLong), entry("c")},
         2,
         "b"},
        {"beyond the list", {entry("a"), entry("b")}, 7, "b"},
    };
    for (const Case& c : cases) {
        std::string list =
            R"({"profileselect": )" + std::to_string(c.stored) + R"(, "profilelist": [)";
        for (size_t i = 0; i < c.entries.size(); ++i) list += (i ? "," : "") + c.entries[i];
        folder_.WriteFile("user/ProfileList.ini", list + "]}");
        const ProfileListState state = store_.Load();
        ASSERT_LT(static_cast<size_t>(state.selected), state.entries.size()) << c.what;
        EXPECT_EQ(state.entries[static_cast<size_t>(state.selected)].uuid, c.selectedUuid)
            << c.what;
        EXPECT_EQ(List()["profileselect"].asInt(), state.selected) << c.what << ": written back";
        EXPECT_EQ(store_.Load().selected, state.selected) << c.what << ": and stays";
    }
}

TEST_F(ProfileListFixture, AnOverLongIdentifierIsSkippedAndTheListStaysWritable) {
    // An identifier too long for a file name: its profile could never be
    // read or written, so it must not hold the whole list back.
    const std::string content = R"({"profileselect": 1, "profilelist": [
        {"profilename": "kept", "profileUUID": "a"},
        {"profilename": "too long", "profileUUID": ")" +
                                std::string(300, 'x') + R"("}]})";
    folder_.WriteFile("user/ProfileList.ini", content);
    const ProfileListState state = store_.Load();
    EXPECT_FALSE(state.inMemoryOnly);
    EXPECT_EQ(state.entries, (std::vector<ProfileEntry>{{"kept", "a"}}));
    EXPECT_EQ(state.selected, 0);
    EXPECT_EQ(folder_.ReadFile("user/ProfileList.ini.bak"), content);
    EXPECT_EQ(List()["profilelist"].size(), 1u);
    EXPECT_EQ(store_.Add(), 1) << "changes to the list are saved";
}

TEST_F(ProfileListFixture, HandEditedListsAreMadeSafe) {
    folder_.WriteFile("user/ProfileList.ini", R"({"profileselect": 9, "profilelist": [
        {"profilename": "ok", "profileUUID": "2024_01_01_00_00_00_000"},
        {"profilename": "evil", "profileUUID": "../../etc/passwd"},
        {"profilename": "none"}]})");
    const ProfileListState state = store_.Load();
    ASSERT_EQ(state.entries.size(), 1u);
    EXPECT_EQ(state.entries[0].name, "ok");
    EXPECT_EQ(state.selected, 0);
    EXPECT_EQ(List()["profileselect"].asInt(), 0) << "the clamped selection is written back";
    EXPECT_EQ(List()["profilelist"].size(), 1u);
    EXPECT_EQ(store_.Select(-4).selected, 0);
}

}  // namespace
}  // namespace kelno
