#include "library/image_source.h"

#include "base/file_io.h"
#include "library/hash_combine.h"

namespace ks {

std::string ImageSource::cacheKey() const {
    if (const auto* wallpaper = asWallpaper())
        return wallpaper->key();
    return asAsset()->string();
}

std::optional<Bytes> ImageSource::data() const {
    if (const auto* wallpaper = asWallpaper())
        return wallpaper->imageData();
    return readWholeFile(*asAsset());
}

} // namespace ks

std::size_t std::hash<ks::ImageSource>::operator()(const ks::ImageSource& source) const noexcept {
    std::size_t seed = 0;
    if (const auto* wallpaper = source.asWallpaper()) {
        ks::hashCombine(seed, 0);
        ks::hashCombine(seed, *wallpaper);
    } else {
        ks::hashCombine(seed, 1);
        ks::hashCombine(seed, std::filesystem::hash_value(*source.asAsset()));
    }
    return seed;
}
