// The skin picker on the real program under Xvfb: a colour picked in the
// pop-up under the skin button is kept in main.ini, and a kept colour is
// the window's background from the start.

#include <cairo.h>
#include <sys/stat.h>

#include "app/ui/skin_choice.h"
#include "panels_e2e_fixture.h"
#include "support/eventually.h"

namespace kelno::test {
namespace {

// 0xAARRGGBB of one pixel of a PNG file (0 when it cannot be read).
uint32_t PixelOf(const fs::path& png, int x, int y) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(png.c_str());
    uint32_t pixel = 0;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        if (x < 0) x += width;
        if (y < 0) y += height;
        const auto* row = cairo_image_surface_get_data(surface) +
                          static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
        pixel = reinterpret_cast<const uint32_t*>(row)[x];
    }
    cairo_surface_destroy(surface);
    return pixel;
}

class SkinEndToEnd : public PanelsEndToEnd {
  protected:
    void Connect(LineClient& app) {
        ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        ASSERT_FALSE(ShownRef(app, "light_combo_modeSelect").empty()) << Output();
    }
};

TEST_F(SkinEndToEnd, APickedColourIsKeptForTheNextStart) {
    LineClient app;
    Connect(app);
    ASSERT_EQ(app.Ask("click skinbtn"), "ok");
    ASSERT_EQ(app.Ask("wait-visible skin_tab 5000"), "ok") << Output();
    ASSERT_EQ(app.Ask("click skin_color"), "ok");
    ASSERT_EQ(app.Ask("wait-visible skin_color_btn 5000"), "ok");
    ASSERT_EQ(app.Ask("click skin_color_btn#1"), "ok");  // the second colour
    Eventually([&] { return LoadSkinChoice(data_).has_value(); });
    EXPECT_EQ(LoadSkinChoice(data_), ColourSkinChoice(0xFF1B2233)) << Output();
}

class StoredSkinEndToEnd : public SkinEndToEnd {
  protected:
    void PrepareData() override { ASSERT_TRUE(SaveSkinChoice(data_, ColourSkinChoice(0xFF2A1620))); }
};

TEST_F(StoredSkinEndToEnd, TheKeptColourIsTheBackgroundFromTheStart) {
    LineClient app;
    Connect(app);
    Screenshot(app, "skin-kept-colour.png");
    // Below the profile list, where the window's own background shows.
    EXPECT_EQ(PixelOf(artefacts_ / "skin-kept-colour.png", 40, -30), 0xFF2A1620u);
}

// A FIFO kept as the user's picture: opening it for reading would wait for
// a writer for ever. The window starts, with the skin's background, and says
// the picture could not be shown.
class FifoPictureEndToEnd : public SkinEndToEnd {
  protected:
    void PrepareData() override {
        const fs::path fifo = folder_ / "picture.png";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        ASSERT_TRUE(SaveSkinChoice(data_, CustomSkinChoice(fifo.string())));
    }
};

TEST_F(FifoPictureEndToEnd, TheWindowStartsWithTheDefaultBackgroundAndSaysWhy) {
    LineClient app;
    Connect(app);
    ASSERT_EQ(app.Ask("wait-visible MessageText 10000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("default background"), std::string::npos)
        << app.Ask("find MessageText");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");
    EXPECT_EQ(LoadSkinChoice(data_), CustomSkinChoice((folder_ / "picture.png").string()))
        << "the choice stays for the user to change";
}

}  // namespace
}  // namespace kelno::test
