#pragma once
// Reading a PNG file into a picture, safely for any path a user or a skin
// file names: only regular files are opened (without blocking, so a FIFO or
// a device node in a picture's place cannot hang the caller), and the
// picture's size is read from its header before anything is decoded, so a
// huge picture costs neither seconds on the UI thread nor hundreds of
// megabytes.

#include <cstdint>
#include <memory>
#include <string>

namespace kelno::skin {

struct ImageData;

// The largest picture decoded: 16 megapixels (64 MB as ARGB), at most 8192
// pixels on a side. A 4K screen's wallpaper fits with room to spare.
inline constexpr uint32_t kMaxPngSide = 8192;
inline constexpr uint64_t kMaxPngPixels = 4096ull * 4096ull;

enum class PngReadError {
    None,
    Missing,     // nothing at that path
    NotAFile,    // a folder, FIFO, socket or device node
    Unreadable,  // permission or I/O error
    NotPng,      // not a PNG, or a damaged one
    TooLarge,    // over kMaxPngSide or kMaxPngPixels
};

struct PngRead {
    std::shared_ptr<ImageData> image;  // null unless error is None
    PngReadError error = PngReadError::None;
};

// Pixels whose colour equals `mask` (RGB, when mask is not 0) become
// transparent. The picture is always ARGB32.
PngRead ReadPngFile(const std::string& path, uint32_t mask = 0);

}  // namespace kelno::skin
