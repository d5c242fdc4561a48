// Installs the finished build into a temporary folder and checks that the
// installed program would find its data, and that the desktop entry, the
// icon and the udev rules are where the desktop and udev look for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/paths.h"
#include "support/command_run.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

using test::CommandRun;

// Standard error is kept with the output: it says why an install failed.
CommandRun RunCommand(const std::string& command) {
    return test::RunCommand(command + " 2>&1");
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The build is installed once for the whole suite, staged under DESTDIR:
// the rules folder may be absolute (./dev install points it at
// /etc/udev/rules.d), and the test must never write outside its folder.
class InstalledTree : public testing::Test {
  protected:
    static constexpr const char* kPrefix = "/usr/local";

    static void SetUpTestSuite() {
        stage_ = std::make_unique<test::TempFolder>();
        install_ =
            RunCommand("DESTDIR=" + Quoted(stage_->Path()) + " " + Quoted(KELNO_CMAKE_COMMAND) +
                       " --install " + Quoted(KELNO_BINARY_DIR) + " --prefix " + kPrefix);
    }
    static void TearDownTestSuite() { stage_.reset(); }

    void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.output; }

    static fs::path Prefix() { return stage_->Path() / fs::path(kPrefix).relative_path(); }
    static fs::path RulesFolder() {
        const fs::path configured = KELNO_UDEV_RULES_DIR;
        return configured.is_absolute() ? stage_->Path() / configured.relative_path()
                                        : Prefix() / configured;
    }

    static std::unique_ptr<test::TempFolder> stage_;
    static CommandRun install_;
};

std::unique_ptr<test::TempFolder> InstalledTree::stage_;
CommandRun InstalledTree::install_;

bool IsExecutableFile(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return fs::is_regular_file(status) &&
           (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
}

TEST_F(InstalledTree, ProgramAndItsDataAreInPlace) {
    EXPECT_TRUE(IsExecutableFile(Prefix() / "bin" / "kelno-driver"));
    const fs::path data = Prefix() / "share" / "kelno-driver";
    EXPECT_TRUE(fs::is_directory(data / "DefaultData"));
    EXPECT_TRUE(fs::is_regular_file(data / "DefaultData" / "Language.config"));
    EXPECT_TRUE(fs::is_regular_file(data / "skin" / "res.xml"));
    // Sources and other programs' resources stay out of the installation.
    EXPECT_FALSE(fs::exists(data / "skin" / "svg"));
    EXPECT_FALSE(fs::exists(data / "skin" / "gallery"));
    // Program data beside the executable would win over share/.
    EXPECT_FALSE(fs::exists(Prefix() / "bin" / "DefaultData"));
    EXPECT_FALSE(fs::exists(Prefix() / "bin" / "skin"));
}

TEST_F(InstalledTree, InstalledProgramFindsItsDataUnderShare) {
    const EnvironmentLookup empty = [](const char*) -> const char* { return nullptr; };
    const AppFolders folders = ResolveAppFolders(empty, Prefix() / "bin" / "kelno-driver");
    EXPECT_EQ(folders.programData, Prefix() / "share" / "kelno-driver");
}

TEST_F(InstalledTree, DesktopEntryIconAndUdevRules) {
    const fs::path desktopFile = Prefix() / "share" / "applications" / "kelno-driver.desktop";
    EXPECT_TRUE(fs::is_regular_file(desktopFile));
    EXPECT_TRUE(fs::is_regular_file(Prefix() / "share" / "icons" / "hicolor" / "scalable" / "apps" /
                                    "kelno-driver.svg"));
    const fs::path rules = RulesFolder() / "70-kelno-driver.rules";
    EXPECT_TRUE(fs::is_regular_file(rules)) << rules;
    EXPECT_GT(fs::file_size(rules), 0u);
}

TEST_F(InstalledTree, DesktopEntryPassesDesktopFileValidate) {
    const std::string validator = KELNO_DESKTOP_FILE_VALIDATE;
    if (validator.empty()) GTEST_SKIP() << "desktop-file-validate is not installed";
    const CommandRun run =
        RunCommand(Quoted(validator) + " " +
                   Quoted(Prefix() / "share" / "applications" / "kelno-driver.desktop"));
    EXPECT_EQ(run.status, 0) << run.output;
}

}  // namespace
}  // namespace kelno
