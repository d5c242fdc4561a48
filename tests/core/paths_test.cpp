#include "core/paths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/temp_folder.h"

namespace kelno {
namespace {

EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) -> const char* {
        const auto it = values.find(name);
        return it == values.end() ? nullptr : it->second.c_str();
    };
}

TEST(ResolveAppFolders, UsesXdgFoldersAndFallsBackToHome) {
    const AppFolders xdg = ResolveAppFolders(
        FakeEnvironment({{"HOME", "/home/u"},
                         {"XDG_DATA_HOME", "/data"},
                         {"XDG_CONFIG_HOME", "/conf"},
                         {"XDG_CACHE_HOME", "/cache"},
                         {"XDG_RUNTIME_DIR", "/run/user/1000"}}),
        "/opt/kelno/bin/kelno-driver");
    EXPECT_EQ(xdg.userData, "/data/KELNO Driver");
    EXPECT_EQ(xdg.config, "/conf/KELNO Driver");
    EXPECT_EQ(xdg.cache, "/cache/KELNO Driver");
    EXPECT_EQ(xdg.runtime, "/run/user/1000/KELNO Driver");

    // Unset, empty and relative values all fall back.
    const AppFolders home = ResolveAppFolders(
        FakeEnvironment({{"HOME", "/home/u"},
                         {"XDG_DATA_HOME", ""},
                         {"XDG_CONFIG_HOME", "rel"},
                         {"XDG_CACHE_HOME", "cache"}}),
        "/opt/kelno/bin/kelno-driver");
    EXPECT_EQ(home.userData, "/home/u/.local/share/KELNO Driver");
    EXPECT_EQ(home.config, "/home/u/.config/KELNO Driver");
    EXPECT_EQ(home.cache, "/home/u/.cache/KELNO Driver");
    EXPECT_EQ(home.runtime.filename(), "KELNO Driver");
    EXPECT_NE(home.runtime.string().find("kelno-"), std::string::npos);
}

TEST(ResolveAppFolders, FindsProgramDataBesideTheExecutableOrUnderThePrefix) {
    test::TempFolder folder;
    const auto environment = FakeEnvironment({{"HOME", "/home/u"}});

    std::filesystem::create_directories(folder / "prefix/bin");
    EXPECT_EQ(ResolveAppFolders(environment, folder / "prefix/bin/kelno-driver").programData,
              folder / "prefix/share/kelno-driver");

    std::filesystem::create_directories(folder / "build/bin/DefaultData");
    EXPECT_EQ(ResolveAppFolders(environment, folder / "build/bin/kelno-driver").programData,
              folder / "build/bin");

    const auto overridden = FakeEnvironment({{"HOME", "/home/u"}, {"KELNO_DATA_DIR", "/elsewhere"}});
    EXPECT_EQ(ResolveAppFolders(overridden, folder / "build/bin/kelno-driver").programData,
              "/elsewhere");
}

TEST(EnsureFolder, CreatesParentsAndReportsFailure) {
    test::TempFolder folder;
    EXPECT_TRUE(EnsureFolder(folder / "a/b/c"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "a/b/c"));
    EXPECT_TRUE(EnsureFolder(folder / "a/b/c"));
    folder.WriteFile("file", "x");
    EXPECT_FALSE(EnsureFolder(folder / "file/sub"));
}

}  // namespace
}  // namespace kelno
