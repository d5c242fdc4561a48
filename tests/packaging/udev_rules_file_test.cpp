// The rules file the build wrote is the one the catalogue makes now: a stale
// or hand-edited file would be installed otherwise.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "devices/detect/udev_rules.h"

namespace kelno {
namespace {

TEST(UdevRulesFile, BuildTreeFileMatchesTheShippedCatalogue) {
    std::ifstream file(KELNO_UDEV_RULES_FILE, std::ios::binary);
    ASSERT_TRUE(file) << KELNO_UDEV_RULES_FILE;
    std::ostringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), MakeUdevRules(Catalogue::Shipped()));
    EXPECT_TRUE(std::string(KELNO_UDEV_RULES_FILE).ends_with(kUdevRulesFileName));
}

}  // namespace
}  // namespace kelno
