#include "skin/core/image_cache.h"

#include <map>
#include <utility>

#include "skin/core/png_file.h"

namespace kelno::skin {

ImageData::ImageData(cairo_surface_t* s) : surface(s) {
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
}

ImageData::~ImageData() {
    if (surface) cairo_surface_destroy(surface);
}

std::shared_ptr<ImageData> LoadPngImage(const std::string& path, uint32_t mask) {
    return ReadPngFile(path, mask).image;
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
