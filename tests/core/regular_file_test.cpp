// Opening only a regular file: everything else a path can hold is told
// apart without blocking, and device nodes are never opened.

#include "core/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "special_files.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace kelno {
namespace {

TEST(OpenRegularFile, TellsWhatThePathHolds) {
    test::TempFolder folder;
    folder.WriteFile("file", "12345");
    std::filesystem::create_symlink("file", folder / "link");
    const test::SpecialFiles special(folder.Path(), "");
    const struct {
        const char* name;
        RegularFileError error;
        bool folder;
        std::optional<int> openResult;  // empty: turned away unopened
    } cases[] = {
        {"file", RegularFileError::None, false, 0},
        {"link", RegularFileError::None, false, 0},
        {"missing", RegularFileError::Missing, false, ENOENT},
        {"file/under", RegularFileError::Missing, false, ENOTDIR},
        {"loop", RegularFileError::NotAFile, false, ELOOP},
        {"folder", RegularFileError::NotAFile, true, 0},
        {"fifo", RegularFileError::NotAFile, false, std::nullopt},
        {"device", RegularFileError::NotAFile, false, std::nullopt},
        {"socket", RegularFileError::NotAFile, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RegularFile file = OpenRegularFile(folder / c.name);
        EXPECT_EQ(file.error, c.error);
        EXPECT_EQ(file.folder, c.folder);
        EXPECT_EQ(file.openResult, c.openResult);
        EXPECT_EQ(file.fd.Valid(), c.error == RegularFileError::None) << "no descriptor kept";
        if (file.fd.Valid()) {
            EXPECT_EQ(file.size, 5u);
            EXPECT_TRUE(::fcntl(file.fd.Get(), F_GETFD) & FD_CLOEXEC) << "children never get it";
            EXPECT_EQ(::fcntl(file.fd.Get(), F_GETFL) & O_ACCMODE, O_RDONLY);
        }
    }
}

TEST(OpenRegularFile, AFileTheUserMayNotReadIsUnreadable) {
    test::TempFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
    const std::filesystem::path path = folder.WriteFile("secret", "x");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    const int error = test::RunUnprivileged([&] {
        const RegularFile file = OpenRegularFile(path);
        return file.openResult == EACCES ? static_cast<int>(file.error) : -2;
    });
    EXPECT_EQ(error, static_cast<int>(RegularFileError::Unreadable));
}

}  // namespace
}  // namespace kelno
