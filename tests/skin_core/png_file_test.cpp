// Reading the pictures a user or a skin names: anything but a regular file
// is refused at once (a FIFO in a picture's place must not block), and a
// picture over the size limit is refused from its header, before a byte of
// it is decoded.

#include "skin/core/png_file.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <fstream>

#include "skin/core/image_cache.h"
#include "support/temp_folder.h"

namespace kelno::skin {
namespace {

namespace fs = std::filesystem;

void WritePng(const fs::path& path, int width, int height, uint32_t argb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

// A PNG signature and IHDR claiming width x height, and nothing after it:
// a picture far over the limit costs nothing to make.
void WriteHeaderOnly(const fs::path& path, uint32_t width, uint32_t height) {
    std::array<uint8_t, 33> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    bytes[24] = 8;  // bit depth
    bytes[25] = 6;  // RGBA
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

uint32_t PixelAt(const ImageData& image, int x, int y) {
    cairo_surface_flush(image.surface);
    const unsigned char* data = cairo_image_surface_get_data(image.surface);
    const int stride = cairo_image_surface_get_stride(image.surface);
    return reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride)[x];
}

class PngFileTest : public ::testing::Test {
  protected:
    kelno::test::TempFolder folder_;
};

TEST_F(PngFileTest, APictureIsReadAsArgbAndItsMaskColourBecomesTransparent) {
    const fs::path path = folder_ / "opaque.png";
    WritePng(path, 5, 3, 0xFF00FF00);
    const PngRead plain = ReadPngFile(path.string());
    ASSERT_NE(plain.image, nullptr);
    EXPECT_EQ(plain.error, PngReadError::None);
    EXPECT_EQ(plain.image->width, 5);
    EXPECT_EQ(plain.image->height, 3);
    EXPECT_EQ(cairo_image_surface_get_format(plain.image->surface), CAIRO_FORMAT_ARGB32);
    EXPECT_EQ(PixelAt(*plain.image, 4, 2), 0xFF00FF00u);

    const PngRead masked = ReadPngFile(path.string(), 0x00FF00);
    ASSERT_NE(masked.image, nullptr);
    EXPECT_EQ(PixelAt(*masked.image, 0, 0), 0u);
}

TEST_F(PngFileTest, WhatIsNotAPictureFileIsRefusedWithItsReason) {
    ASSERT_EQ(mkfifo((folder_ / "fifo.png").c_str(), 0600), 0);
    fs::create_directory(folder_ / "folder.png");
    std::ofstream(folder_ / "text.png") << "not a picture at all, but long enough to be read";
    std::ofstream(folder_ / "short.png") << "\x89PNG";
    WriteHeaderOnly(folder_ / "truncated.png", 16, 16);
    WriteHeaderOnly(folder_ / "wide.png", kMaxPngSide + 1, 1);
    WriteHeaderOnly(folder_ / "huge.png", 12000, 12000);
    WriteHeaderOnly(folder_ / "many.png", 4097, 4096);
    WriteHeaderOnly(folder_ / "empty.png", 0, 10);

    const struct {
        const char* name;
        PngReadError error;
    } cases[] = {
        {"missing.png", PngReadError::Missing},
        {"fifo.png", PngReadError::NotAFile},  // would block an open() for reading
        {"folder.png", PngReadError::NotAFile},
        {"text.png", PngReadError::NotPng},
        {"short.png", PngReadError::NotPng},
        {"truncated.png", PngReadError::NotPng},
        {"empty.png", PngReadError::NotPng},
        {"wide.png", PngReadError::TooLarge},
        {"huge.png", PngReadError::TooLarge},
        {"many.png", PngReadError::TooLarge},
    };
    for (const auto& c : cases) {
        const PngRead read = ReadPngFile((folder_ / c.name).string());
        EXPECT_EQ(read.error, c.error) << c.name;
        EXPECT_EQ(read.image, nullptr) << c.name;
        EXPECT_EQ(LoadPngImage((folder_ / c.name).string()), nullptr) << c.name;
    }
    EXPECT_EQ(ReadPngFile("/dev/zero").error, PngReadError::NotAFile);
}

TEST_F(PngFileTest, APictureAtTheLimitIsRead) {
    const fs::path path = folder_ / "tall.png";
    WritePng(path, 1, static_cast<int>(kMaxPngSide), 0xFF102030);
    const PngRead read = ReadPngFile(path.string());
    ASSERT_NE(read.image, nullptr) << static_cast<int>(read.error);
    EXPECT_EQ(read.image->height, static_cast<int>(kMaxPngSide));
}

}  // namespace
}  // namespace kelno::skin
