#include "skin/core/image_cache.h"

#include <map>
#include <utility>

namespace kelno::skin {

ImageData::ImageData(cairo_surface_t* s) : surface(s) {
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
}

ImageData::~ImageData() {
    if (surface) cairo_surface_destroy(surface);
}

std::shared_ptr<ImageData> LoadPngImage(const std::string& path, uint32_t mask) {
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(png);
        return nullptr;
    }
    int w = cairo_image_surface_get_width(png);
    int h = cairo_image_surface_get_height(png);
    // Always keep ARGB32 so masks and drawing see one pixel format.
    cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(png);
    if (mask != 0) {
        cairo_surface_flush(argb);
        unsigned char* data = cairo_image_surface_get_data(argb);
        int stride = cairo_image_surface_get_stride(argb);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < w; ++x) {
                if ((row[x] >> 24) == 0xFF && (row[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) row[x] = 0;
            }
        }
        cairo_surface_mark_dirty(argb);
    }
    return std::make_shared<ImageData>(argb);
}

struct ImageCache::Impl {
    std::map<std::pair<std::string, uint32_t>, std::shared_ptr<ImageData>> images;
};

ImageCache::ImageCache() : impl_(std::make_unique<Impl>()) {}

ImageCache& ImageCache::Instance() {
    static ImageCache cache;
    return cache;
}

bool ImageCache::Contains(const std::string& name, uint32_t mask) const {
    return impl_->images.count({name, mask}) != 0;
}

std::shared_ptr<ImageData> ImageCache::Find(const std::string& name, uint32_t mask) const {
    auto it = impl_->images.find({name, mask});
    return it == impl_->images.end() ? nullptr : it->second;
}

void ImageCache::Add(const std::string& name, uint32_t mask, std::shared_ptr<ImageData> image) {
    impl_->images[{name, mask}] = std::move(image);
}

void ImageCache::Clear() {
    impl_->images.clear();
}

}  // namespace kelno::skin
