#include "platform/session/private_fonts.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace kelno {
namespace {

// A font file from the system to play the program's own.
std::filesystem::path AnySystemFont() {
    for (const char* candidate : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                  "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}) {
        if (std::filesystem::exists(candidate)) return candidate;
    }
    return {};
}

bool IsApplicationFont(const char* file) {
    FcFontSet* set = FcConfigGetFonts(nullptr, FcSetApplication);
    if (set == nullptr) return false;
    for (int i = 0; i < set->nfont; ++i) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) == FcResultMatch &&
            std::string(reinterpret_cast<char*>(path)) == file)
            return true;
    }
    return false;
}

TEST(PrivateFonts, LoadsWhatIsThereAndSkipsTheRest) {
    const auto systemFont = AnySystemFont();
    if (systemFont.empty()) GTEST_SKIP() << "no DejaVu font installed";
    test::TempFolder folder;
    std::filesystem::create_directories(folder / "Font");
    std::filesystem::copy_file(systemFont, folder / "Font/Vizerave-Regular.otf");
    folder.WriteFile("Font/NotoSansThai-Regular.ttf", "not a font");

    {
        PrivateFonts fonts(folder / "Font", kPrivateFontFiles);
        ASSERT_EQ(fonts.Loaded().size(), 1u);
        EXPECT_EQ(fonts.Loaded()[0].filename(), "Vizerave-Regular.otf");
        EXPECT_TRUE(IsApplicationFont((folder / "Font/Vizerave-Regular.otf").c_str()));
    }
    EXPECT_FALSE(IsApplicationFont((folder / "Font/Vizerave-Regular.otf").c_str()))
        << "released with the object";
}

TEST(PrivateFonts, MissingFolderIsFine) {
    test::TempFolder folder;
    PrivateFonts fonts(folder / "Font", kPrivateFontFiles);
    EXPECT_TRUE(fonts.Loaded().empty());
}

}  // namespace
}  // namespace kelno
