// The main window's background: a stored choice is shown again at start,
// the user's own picture is loaded under a name of the window's (a path is
// never read as image attributes), one that cannot be loaded changes
// nothing, and a pick from the picker is kept in main.ini.

#include <cairo.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "app/app_messages.h"
#include "core/json_file.h"
#include "main_window_fixture.h"
#include "update/fake_http_client.h"

namespace kelno::app::test {
namespace {

// A small PNG of one colour at `path`.
void WritePicture(const std::filesystem::path& path) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 6);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

class StoredSkinTest : public MainWindowTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SaveSkinChoice(folder_ / "user", ColourSkinChoice(0xFF1B2233)));
        MainWindowTest::SetUp();
    }
};

TEST_F(StoredSkinTest, TheStoredColourIsShownAtStart) {
    EXPECT_EQ(Find("root")->GetBkColor(), 0xFF1B2233u);
    EXPECT_EQ(Find("root")->GetBkImage(), "");
}

// A stored picture that cannot be shown: the window starts with the skin's
// own background and says why once it is up.
class StoredPictureTest : public MainWindowTest {
  protected:
    void SetUp() override {
        const std::filesystem::path fifo = folder_ / "fifo.png";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        ASSERT_TRUE(SaveSkinChoice(folder_ / "user", CustomSkinChoice(Picture().string())));
        MainWindowTest::SetUp();
    }
    virtual std::filesystem::path Picture() { return folder_ / "fifo.png"; }
    void ExpectDefaultBackgroundAndNotice(const std::string& notice) {
        EXPECT_FALSE(Find("root")->GetBkImage().starts_with("custom_background_"));
        EXPECT_TRUE(window_->asked.empty()) << "not before the window is up";
        Advance(5000);
        EXPECT_EQ(window_->asked, std::vector<std::string>{notice});
    }
};

TEST_F(StoredPictureTest, AFifoInThePicturesPlaceDoesNotHoldTheStart) {
    ExpectDefaultBackgroundAndNotice("skin_start_image_failed_text");
}

class StoredHugePictureTest : public StoredPictureTest {
  protected:
    std::filesystem::path Picture() override {
        // Only the header matters: the size is refused before decoding.
        const std::filesystem::path path = folder_ / "huge.png";
        const unsigned char header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                        'I', 'H', 'D', 'R', 0, 0, 0x2E, 0xE0, 0, 0, 0x2E, 0xE0};
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(header), sizeof header);
        return path;
    }
};

TEST_F(StoredHugePictureTest, AHugePictureIsRefusedWithItsReason) {
    ExpectDefaultBackgroundAndNotice("skin_start_image_too_large_text");
}

TEST_F(MainWindowTest, TheUsersPictureIsShownAndABrokenOneChangesNothing) {
    const std::filesystem::path picture = folder_ / "wall=paper 'one'.png";
    WritePicture(picture);
    ASSERT_TRUE(window_->ApplySkin(CustomSkinChoice(picture.string())));
    skin::CControlUI* root = Find("root");
    const std::string shown = root->GetBkImage();
    EXPECT_TRUE(shown.starts_with("custom_background_")) << shown;
    EXPECT_NE(window_->GetPaintManager().GetImage(shown), nullptr);
    EXPECT_EQ(root->GetBkColor(), 0u);

    const std::filesystem::path broken = folder_ / "broken.png";
    std::ofstream(broken) << "not a picture";
    EXPECT_FALSE(window_->ApplySkin(CustomSkinChoice(broken.string())));
    EXPECT_EQ(window_->ApplySkin(CustomSkinChoice(broken.string())).failureText,
              "skin_image_failed_text");
    EXPECT_FALSE(window_->ApplySkin(BuiltInSkinChoice("common/background/none.png")));
    EXPECT_EQ(root->GetBkImage(), shown) << "the background stays";
}

TEST_F(MainWindowTest, APickedPictureIsKeptForTheNextStart) {
    const std::filesystem::path picture = folder_ / "mine.png";
    WritePicture(picture);
    system_.QueueFileDialogAnswer(picture.string());
    CSkinFrame::Pick pick;
    pick.what = CSkinFrame::Pick::What::CustomFile;
    ASSERT_TRUE(window_->PostMessage(kMsgSkinPicked, pick));
    system_.RunPendingTasks();
    EXPECT_TRUE(Find("root")->GetBkImage().starts_with("custom_background_"));
    EXPECT_EQ(LoadSkinChoice(folder_ / "user"), CustomSkinChoice(picture.string()));

    // A cancelled dialog changes nothing.
    system_.QueueFileDialogAnswer(std::nullopt);
    ASSERT_TRUE(window_->PostMessage(kMsgSkinPicked, pick));
    system_.RunPendingTasks();
    EXPECT_EQ(LoadSkinChoice(folder_ / "user"), CustomSkinChoice(picture.string()));
}

// The settings button's update marker (its fore image) stays until a check
// finds everything up to date; without an update server there is nothing
// to wait for.
class UpdateServerTest : public MainWindowTest {
  protected:
    void Configure(MainWindowOptions& options) override {
        options.updateServer = {"https://updates.example/api/"};
        options.updateClient = std::make_shared<update::test::FakeHttpClient>();
    }
};

TEST_F(MainWindowTest, WithoutAnUpdateServerTheSettingsButtonHasNoUpdateMarker) {
    EXPECT_EQ(Find("setbtn")->GetForeImage(), "");
}

TEST_F(UpdateServerTest, TheUpdateMarkerStaysUntilACheckFindsEverythingUpToDate) {
    skin::CControlUI* settings = Find("setbtn");
    EXPECT_EQ(settings->GetForeImage(), "update_mark.png");
    window_->SendMessage(kMsgClearUpdateMarker);
    EXPECT_EQ(settings->GetForeImage(), "");
}

}  // namespace
}  // namespace kelno::app::test
