// The rules file the build wrote is the one the catalogue makes now: a stale
// or hand-edited file would be installed otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/json_file.h"
#include "devices/detect/udev_rules.h"

namespace kelno {
namespace {

TEST(UdevRulesFile, BuildTreeFileMatchesTheShippedCatalogue) {
    ASSERT_TRUE(std::filesystem::is_regular_file(KELNO_UDEV_RULES_FILE)) << KELNO_UDEV_RULES_FILE;
    EXPECT_EQ(ReadFileText(KELNO_UDEV_RULES_FILE), MakeUdevRules(Catalogue::Shipped()));
    EXPECT_TRUE(std::string(KELNO_UDEV_RULES_FILE).ends_with(kUdevRulesFileName));
}

}  // namespace
}  // namespace kelno
