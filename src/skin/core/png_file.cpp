#include "skin/core/png_file.h"

#include <cairo.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "core/regular_file.h"
#include "skin/core/image_cache.h"

namespace kelno::skin {
namespace {

// Signature (8), IHDR chunk length (4) and type (4), width (4), height (4).
constexpr size_t kHeaderSize = 24;
constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 |
           uint32_t{bytes[3]};
}

// Reads exactly `size` bytes unless the file ends first; -1 on an error.
ssize_t ReadFully(int fd, unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

cairo_status_t ReadFromFd(void* closure, unsigned char* data, unsigned int length) {
    const int fd = *static_cast<int*>(closure);
    return ReadFully(fd, data, length) == static_cast<ssize_t>(length) ? CAIRO_STATUS_SUCCESS
                                                                       : CAIRO_STATUS_READ_ERROR;
}

PngReadError CheckHeader(int fd) {
    std::array<uint8_t, kHeaderSize> header{};
    const ssize_t got = ReadFully(fd, header.data(), header.size());
    if (got < 0) return PngReadError::Unreadable;
    if (static_cast<size_t>(got) < header.size() ||
        std::memcmp(header.data(), kSignature.data(), kSignature.size()) != 0 ||
        std::memcmp(header.data() + 12, "IHDR", 4) != 0)
        return PngReadError::NotPng;
    const uint32_t width = BigEndian32(header.data() + 16);
    const uint32_t height = BigEndian32(header.data() + 20);
    if (width == 0 || height == 0) return PngReadError::NotPng;
    if (width > kMaxPngSide || height > kMaxPngSide || uint64_t{width} * height > kMaxPngPixels)
        return PngReadError::TooLarge;
    return PngReadError::None;
}

// Always ARGB32, so masks and drawing see one pixel format.
cairo_surface_t* ToArgb(cairo_surface_t* png) {
    if (cairo_image_surface_get_format(png) == CAIRO_FORMAT_ARGB32) return png;
    const int w = cairo_image_surface_get_width(png);
    const int h = cairo_image_surface_get_height(png);
    cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(png);
    return argb;
}

void ClearMaskedPixels(cairo_surface_t* argb, uint32_t mask) {
    cairo_surface_flush(argb);
    unsigned char* data = cairo_image_surface_get_data(argb);
    const int stride = cairo_image_surface_get_stride(argb);
    const int w = cairo_image_surface_get_width(argb);
    const int h = cairo_image_surface_get_height(argb);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            if ((row[x] >> 24) == 0xFF && (row[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) row[x] = 0;
        }
    }
    cairo_surface_mark_dirty(argb);
}

}  // namespace

PngRead ReadPngFile(const std::string& path, uint32_t mask) {
    const RegularFile file = OpenRegularFile(path);
    switch (file.error) {
        case RegularFileError::None:
            break;
        case RegularFileError::Missing:
            return {nullptr, PngReadError::Missing};
        case RegularFileError::NotAFile:
            return {nullptr, PngReadError::NotAFile};
        case RegularFileError::Unreadable:
            return {nullptr, PngReadError::Unreadable};
    }
    if (const PngReadError header = CheckHeader(file.fd.Get()); header != PngReadError::None)
        return {nullptr, header};
    if (::lseek(file.fd.Get(), 0, SEEK_SET) != 0) return {nullptr, PngReadError::Unreadable};
    int fd = file.fd.Get();
    cairo_surface_t* png = cairo_image_surface_create_from_png_stream(&ReadFromFd, &fd);
    // The size was checked: cairo's "no memory" here is a damaged file too.
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(png);
        return {nullptr, PngReadError::NotPng};
    }
    cairo_surface_t* argb = ToArgb(png);
    if (mask != 0) ClearMaskedPixels(argb, mask);
    return {std::make_shared<ImageData>(argb), PngReadError::None};
}

}  // namespace kelno::skin
