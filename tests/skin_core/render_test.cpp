// Headless rendering: colours where the layout puts them, state changes,
// pictures drawn with the image attribute language, text, partial repaint
// and the PNG written to disk.

#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <functional>

#include "skin/controls/button.h"
#include "skin/core/image_cache.h"
#include "skin/core/render.h"
#include "skin/core/resource_manager.h"
#include "skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::skin::test {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00,
                   kWhite = 0xFFFFFFFF;

// Writes a PNG of the given size painted by `paint`.
void WritePng(const std::filesystem::path& path, int width, int height,
              const std::function<void(cairo_t*)>& paint) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(s);
    paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
}

// A 20x20 picture: left half red, right half green.
void WriteTwoColourPng(const std::filesystem::path& path) {
    WritePng(path, 20, 20, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, 10, 20);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 1, 0);
        cairo_rectangle(cr, 10, 0, 10, 20);
        cairo_fill(cr);
    });
}

class SkinRender : public ::testing::Test {
  protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(folder.Path().string());
        CPaintManagerUI::RemoveAllImages();
        std::filesystem::create_directories(folder / "img");
        WriteTwoColourPng(folder / "img" / "two.png");
    }
    void TearDown() override {
        CPaintManagerUI::RemoveAllImages();
        CResourceManager::Release();
        CPaintManagerUI::SetResourcePath("");
    }
    kelno::test::TempFolder folder;
};

TEST_F(SkinRender, ColoursLandWhereTheLayoutPutsThem) {
    SkinWindow w({200, 100});
    w.Load(
        "<VerticalLayout bkcolor='#FF0000FF'><Control name='top' height='50' bkcolor='#FFFF0000'/>"
        "<Button name='btn' height='40' bkcolor='#FF00FF00' hotbkcolor='#FFFFFF00' "
        "bordercolor='#FF000000' bordersize='1'/></VerticalLayout>");
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({10, 10}), kRed);
    EXPECT_EQ(w.host.PixelAt({10, 70}), kGreen);
    EXPECT_EQ(w.host.PixelAt({10, 95}), kBlue);
    EXPECT_EQ(w.host.PixelAt({0, 50}), 0xFF000000u);  // the button's border

    // Hovering repaints the button in its hot colour.
    w.host.MouseMove({10, 70});
    w.host.PaintPending();
    EXPECT_EQ(w.host.PixelAt({10, 70}), kYellow);
    w.host.MouseMove({10, 10});
    w.host.PaintPending();
    EXPECT_EQ(w.host.PixelAt({10, 70}), kGreen);
}

TEST_F(SkinRender, OnlyTheDirtyRectangleIsRepainted) {
    SkinWindow w({200, 100});
    w.Load(
        "<VerticalLayout bkcolor='#FF0000FF'><Control name='top' height='50' bkcolor='#FFFF0000'/>"
        "<Control name='rest'/></VerticalLayout>");
    w.host.PaintAll();
    // Mark a pixel outside the control that is about to change.
    cairo_t* cr = cairo_create(w.host.RenderToSurface());
    cairo_set_source_rgb(cr, 1, 1, 0);
    cairo_rectangle(cr, 100, 80, 1, 1);
    cairo_fill(cr);
    cairo_destroy(cr);

    w.pm.FindControl("top")->SetBkColor(kGreen);
    EXPECT_EQ(w.host.DirtyRect(), (Rect{0, 0, 200, 50}));
    EXPECT_EQ(w.host.PaintPending(), (Rect{0, 0, 200, 50}));
    EXPECT_EQ(w.host.PixelAt({10, 10}), kGreen);
    EXPECT_EQ(w.host.PixelAt({100, 80}), kYellow);  // untouched outside
    EXPECT_TRUE(w.host.DirtyRect().IsEmpty());
}

TEST_F(SkinRender, PicturesFollowTheImageAttributes) {
    struct Case {
        const char* what;
        const char* image;
        uint32_t atLeft;   // pixel (5, 5) of a 40x40 control
        uint32_t atRight;  // pixel (35, 35)
    };
    const Case cases[] = {
        {"whole picture stretched", "img/two.png", kRed, kGreen},
        {"source part", "file='img/two.png' source='10,0,20,20'", kGreen, kGreen},
        {"dest part", "file='img/two.png' dest='0,0,20,20'", kRed, kWhite},
        {"res id from res.xml", "file='TWO'", kRed, kGreen},
        {"backslash as folder separator", "file='img\\two.png'", kRed, kGreen},
        {"fully faded", "file='img/two.png' fade='0'", kWhite, kWhite},
        {"masked colour", "file='img/two.png' mask='#FF0000'", kWhite, kGreen},
        {"nine-slice keeps corners", "file='img/two.png' corner='10,10,10,10'", kRed, kGreen},
        {"missing picture draws nothing", "file='img/none.png'", kWhite, kWhite},
        {"source outside the picture draws nothing", "file='img/two.png' source='50,50,60,60'",
         kWhite, kWhite},
        {"garbage draws nothing", "file='img/two.png", kWhite, kWhite},
    };
    // The id first names another picture; reloading res.xml must not keep
    // serving the picture cached under the id.
    folder.WriteFile("res.xml", "<Res><Image><Item id='TWO' path='img/none.png'/></Image></Res>");
    ASSERT_TRUE(CResourceManager::GetInstance().LoadResource("res.xml"));
    {
        SkinWindow w({40, 40});
        w.Load("<Control bkimage='TWO'/>");
        w.host.PaintAll();
        EXPECT_EQ(w.host.PixelAt({5, 5}), kWhite);
    }
    folder.WriteFile("res.xml", "<Res><Image><Item id='TWO' path='img/two.png'/></Image></Res>");
    ASSERT_TRUE(CResourceManager::GetInstance().LoadResource("res.xml"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SkinWindow w({40, 40});
        CControlUI* root = w.Load("<Control/>");
        root->SetBkImage(c.image);
        w.host.PaintAll();
        EXPECT_EQ(w.host.PixelAt({5, 5}), c.atLeft);
        EXPECT_EQ(w.host.PixelAt({35, 35}), c.atRight);
    }
}

TEST_F(SkinRender, AnotherSkinFolderDoesNotReuseCachedPictures) {
    kelno::test::TempFolder other;
    std::filesystem::create_directories(other / "img");
    // Same name, other picture: all green.
    WritePng(other / "img" / "two.png", 4, 4, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 1, 0);
        cairo_paint(cr);
    });

    SkinWindow w({40, 40});
    w.Load("<Control bkimage='img/two.png'/>");
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({5, 5}), kRed);
    CPaintManagerUI::SetResourcePath(other.Path().string());
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({5, 5}), kGreen);
}

TEST_F(SkinRender, StateImagesFollowTheButtonState) {
    SkinWindow w({40, 40});
    w.Load(
        "<Button name='b' normalimage=\"file='img/two.png' source='0,0,10,20'\" "
        "hotimage=\"file='img/two.png' source='10,0,20,20'\" disabledimage='img/none.png'/>");
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({20, 20}), kRed);
    w.host.MouseMove({20, 20});
    w.host.PaintPending();
    EXPECT_EQ(w.host.PixelAt({20, 20}), kGreen);
    // Code may swap a state picture; the button repaints with it.
    w.Find<CButtonUI>("b")->SetHotImage("file='img/two.png' source='0,0,10,20'");
    w.host.PaintPending();
    EXPECT_EQ(w.host.PixelAt({20, 20}), kRed);
    // Disabled: its own picture is missing, so nothing covers the white
    // background (the normal picture stands in only when none is given).
    w.pm.FindControl("b")->SetEnabled(false);
    w.host.PaintPending();
    EXPECT_EQ(w.host.PixelAt({20, 20}), kWhite);
}

TEST_F(SkinRender, ProgressFillsItsValueAndForeImagesDrawOverTheBackground) {
    SkinWindow w({100, 40});
    w.Load(
        "<VerticalLayout><Progress name='p' height='20' min='0' max='200' value='100' "
        "bkcolor='#FFFFFFFF' forecolor='#FF0000FF'/>"
        "<Control height='20' bkcolor='#FFFF0000' foreimage=\"file='img/two.png' "
        "source='10,0,20,20' dest='50,0,100,20'\"/></VerticalLayout>");
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({10, 10}), kBlue);
    EXPECT_EQ(w.host.PixelAt({49, 10}), kBlue);
    EXPECT_EQ(w.host.PixelAt({51, 10}), kWhite);
    EXPECT_EQ(w.host.PixelAt({10, 30}), kRed);
    EXPECT_EQ(w.host.PixelAt({90, 30}), kGreen);
}

TEST(SkinText, LatinCjkAndThaiHaveFonts) {
    // Device pages are translated into Chinese and Thai among others; the
    // machine must have fonts for them (./dev deps installs the Noto fonts).
    for (const char* text : {"Grüße, KELNO", "键盘 灯光 设置", "キーボード", "แป้นพิมพ์ ไฟ"}) {
        TextLayout layout(text, FontInfo{"Noto Sans", 14}, 1.0, -1, DT_SINGLELINE);
        EXPECT_EQ(layout.MissingGlyphCount(), 0) << text;
        EXPECT_GT(layout.PixelSize().cx, 0) << text;
    }
}

// A repaint that changes nothing about the text reuses the layout; any
// change of what shapes it makes a new one that matches a fresh layout.
TEST(SkinText, ACachedLayoutIsRemadeOnlyWhenWhatShapesItChanges) {
    const FontInfo font{"Sans", 12};
    const FontInfo bold{"Sans", 12, true};
    const std::string text = "Breathing lights, two words";
    CachedTextLayout cache;
    const TextLayout* first = &cache.Get(text, font, 1.0, 60, DT_WORDBREAK);
    EXPECT_EQ(&cache.Get(text, font, 1.0, 60, DT_WORDBREAK), first) << "nothing changed";

    struct Change {
        const char* what;
        std::string text;
        FontInfo font;
        double scale;
        int width;
        uint32_t style;
    };
    const Change changes[] = {
        {"text", "Breathing", font, 1.0, 60, DT_WORDBREAK},
        {"font", text, bold, 1.0, 60, DT_WORDBREAK},
        {"scale", text, font, 2.0, 60, DT_WORDBREAK},
        {"width", text, font, 1.0, 300, DT_WORDBREAK},
        {"style", text, font, 1.0, 60, DT_SINGLELINE},
    };
    for (const Change& c : changes) {
        cache.Get(text, font, 1.0, 60, DT_WORDBREAK);
        const TextLayout fresh(c.text, c.font, c.scale, c.width, c.style);
        const Size size = cache.Get(c.text, c.font, c.scale, c.width, c.style).PixelSize();
        EXPECT_EQ(size.cx, fresh.PixelSize().cx) << c.what;
        EXPECT_EQ(size.cy, fresh.PixelSize().cy) << c.what;
    }
}

TEST_F(SkinRender, ButtonTextIsCentredByDefault) {
    SkinWindow w({200, 40});
    w.Load("<Button text='OK' textcolor='#FF000000' bkcolor='#FFFFFFFF'/>");
    w.host.PaintAll();
    int left = 0, middle = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            if ((w.host.PixelAt({x, y}) & 0xFF) >= 0x80) continue;
            (x < 80 ? left : middle)++;
        }
    }
    EXPECT_EQ(left, 0);
    EXPECT_GT(middle, 10);
}

TEST_F(SkinRender, TextIsDrawnAndThePngIsWritten) {
    SkinWindow w({200, 40});
    w.Load(
        "<Label name='l' text='Kelno \xE4\xB8\xAD\xE6\x96\x87' textcolor='#FF000000' "
        "bkcolor='#FFFFFFFF' align='center'/>");
    w.host.PaintAll();
    int dark = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            if ((w.host.PixelAt({x, y}) & 0xFF) < 0x80) ++dark;
        }
    }
    EXPECT_GT(dark, 20);
    // Centred: nothing at the far edges.
    for (int y = 0; y < 40; ++y) EXPECT_EQ(w.host.PixelAt({1, y}), kWhite);

    auto png = folder / "shot.png";
    ASSERT_TRUE(w.host.RenderToPng(png.string()));
    auto image = LoadPngImage(png.string());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 200);
    EXPECT_EQ(image->height, 40);
    EXPECT_FALSE(w.host.RenderToPng((folder / "no_folder" / "x.png").string()));
}

}  // namespace
}  // namespace kelno::skin::test
