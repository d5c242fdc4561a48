#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A child process is killed by the file-size limit halfway through a write,
// as a kill would stop the program: its temporary file stays behind.
void WriteAndGetKilled(const fs::path& target) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        WriteFileAtomically(target, std::string(64 * 1024, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child must die mid-write";
}

TEST(RemoveLeftoverTempFiles, RemovesWhatAKilledWriteLeftAndNothingElse) {
    test::TempFolder folder;
    folder.WriteFile("keyboard/ProfileList.ini", "kept");
    WriteAndGetKilled(folder / "keyboard/ProfileList.ini");
    WriteAndGetKilled(folder / "settings.json");
    ASSERT_EQ(NamesIn(folder / "keyboard").size(), 2u) << "a temporary file was left";

    const std::vector<std::string> lookalikes = {
        "notdot.tmp-abc123", ".short.tmp-abc12", ".odd.tmp-abc_12",
        ".long.tmp-abc1234", ".tmp-abc123",
    };
    for (const std::string& name : lookalikes) folder.WriteFile(name, "user file");
    fs::create_directory(folder / ".folder.tmp-abc123");
    fs::create_symlink(folder / "keyboard/ProfileList.ini", folder / ".link.tmp-abc123");

    EXPECT_EQ(RemoveLeftoverTempFiles(folder.Path()), 2);
    EXPECT_EQ(NamesIn(folder / "keyboard"), std::vector<std::string>{"ProfileList.ini"});
    EXPECT_EQ(folder.ReadFile("keyboard/ProfileList.ini"), "kept");
    for (const std::string& name : lookalikes) EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_TRUE(fs::exists(folder / ".folder.tmp-abc123"));
    EXPECT_TRUE(fs::is_symlink(folder / ".link.tmp-abc123"));
    EXPECT_EQ(RemoveLeftoverTempFiles(folder / "no such folder"), 0);
}

}  // namespace
}  // namespace kelno
