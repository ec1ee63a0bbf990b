#include "library/image_resize.h"

#include "library/vips_runtime.h"

#include <algorithm>
#include <vips/vips8>

namespace ks {

std::optional<Image> shrinkImage(const Image& image, int maxPixel) {
    const int longer = std::max(image.width, image.height);
    if (longer <= maxPixel)
        return image;
    if (maxPixel <= 0 || !image.pixels || !ensureVipsStarted())
        return std::nullopt;
    try {
        // Reads the shared pixels in place; they outlive the operation.
        const auto source = vips::VImage::new_from_memory(
            const_cast<std::uint8_t*>(image.pixels.get()), image.byteCount(), image.width,
            image.height, 4, VIPS_FORMAT_UCHAR);
        const auto small = source.resize(static_cast<double>(maxPixel) / longer);
        std::size_t size = 0;
        void* memory = small.write_to_memory(&size);
        std::shared_ptr<const std::uint8_t[]> pixels(
            static_cast<const std::uint8_t*>(memory),
            [](const std::uint8_t* p) { g_free(const_cast<std::uint8_t*>(p)); });
        Image result{small.width(), small.height(), std::move(pixels)};
        if (!memory || size != result.byteCount())
            return std::nullopt;
        return result;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

} // namespace ks
