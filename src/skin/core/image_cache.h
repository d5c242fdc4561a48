#pragma once
// Decoded pictures and the program-wide cache that holds them by name.

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kelno::skin {

struct ImageData {
    explicit ImageData(cairo_surface_t* s);  // takes the surface reference
    ~ImageData();
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    cairo_surface_t* surface = nullptr;  // CAIRO_FORMAT_ARGB32
    int width = 0;
    int height = 0;
};

// Reads a PNG file (png_file.h); pixels whose colour equals `mask` (RGB,
// when mask is not 0) become transparent. nullptr when the file is missing,
// not a regular file, not a PNG or too large.
std::shared_ptr<ImageData> LoadPngImage(const std::string& path, uint32_t mask = 0);

// The cache key of a picture: its name, and the mask when there is one.
class ImageCache {
  public:
    static ImageCache& Instance();
    // True when the name was tried before (the image may be nullptr: a
    // picture that failed to load is not read again on every paint).
    bool Contains(const std::string& name, uint32_t mask) const;
    std::shared_ptr<ImageData> Find(const std::string& name, uint32_t mask) const;
    void Add(const std::string& name, uint32_t mask, std::shared_ptr<ImageData> image);
    void Clear();

  private:
    struct Impl;
    ImageCache();
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelno::skin
