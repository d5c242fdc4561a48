// The skin picker's choice as main.ini keeps it: every kind survives a save
// and a load, and a file that names no valid choice gives none.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/ui/skin_choice.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

TEST(SkinChoice, EveryKindComesBackAsItWasSaved) {
    test::TempFolder folder;
    const SkinChoice choices[] = {
        DefaultSkinChoice(),
        BuiltInSkinChoice("common/background/ember.png"),
        ColourSkinChoice(0xFF1B2233),
        CustomSkinChoice("/home/someone/Pictures/my wall=paper.png"),
    };
    for (const SkinChoice& choice : choices) {
        ASSERT_TRUE(SaveSkinChoice(folder / "user", choice));
        EXPECT_EQ(LoadSkinChoice(folder / "user"), choice) << FormatSkinFile(choice);
    }
    EXPECT_EQ(FormatSkinFile(ColourSkinChoice(0xFF1B2233)), "[SKINIMAGE]\nFLAGS=2\nCOLOR=#FF1B2233\n");
    EXPECT_EQ(FormatSkinFile(DefaultSkinChoice()),
              "[SKINIMAGE]\nFLAGS=0\nIMAGE=common/background.png\n");
}

TEST(SkinChoice, FilesThatNameNoValidChoice) {
    const char* files[] = {
        "",
        "FLAGS=1\nIMAGE=common/background/ember.png\n",  // no section
        "[OTHER]\nFLAGS=1\nIMAGE=a.png\n",
        "[SKINIMAGE]\nIMAGE=a.png\n",
        "[SKINIMAGE]\nFLAGS=7\nIMAGE=a.png\n",
        "[SKINIMAGE]\nFLAGS=1\n",
        "[SKINIMAGE]\nFLAGS=1\nIMAGE=../../etc/passwd\n",
        "[SKINIMAGE]\nFLAGS=1\nIMAGE=/abs/olute.png\n",
        "[SKINIMAGE]\nFLAGS=1\nIMAGE=file='x.png' dest='0,0,1,1'\n",
        "[SKINIMAGE]\nFLAGS=2\nCOLOR=red\n",
        "[SKINIMAGE]\nFLAGS=2\nCOLOR=#FF12345\n",
        "[SKINIMAGE]\nFLAGS=3\nIMAGE=relative/picture.png\n",
    };
    for (const char* file : files) EXPECT_EQ(ParseSkinFile(file), std::nullopt) << file;

    // Spaces, carriage returns and other sections are borne.
    EXPECT_EQ(ParseSkinFile("[A]\r\nX=1\r\n[SKINIMAGE]\r\n FLAGS = 2 \r\nCOLOR=#ff0a0b0c\r\n"),
              ColourSkinChoice(0xFF0A0B0C));
}

TEST(SkinChoice, ANameWithALineBreakIsNeverWritten) {
    test::TempFolder folder;
    ASSERT_TRUE(SaveSkinChoice(folder.Path(), ColourSkinChoice(0xFF000000)));
    EXPECT_FALSE(SaveSkinChoice(folder.Path(), CustomSkinChoice("/tmp/a.png\nFLAGS=1")));
    EXPECT_EQ(LoadSkinChoice(folder.Path()), ColourSkinChoice(0xFF000000)) << "the old file stays";
    EXPECT_EQ(LoadSkinChoice(folder / "none"), std::nullopt);
}

}  // namespace
}  // namespace kelno
