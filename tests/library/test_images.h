#pragma once

#include "base/bytes.h"
#include "library/vips_runtime.h"

#include <array>
#include <string>
#include <vips/vips8>

namespace ks::test {

// Pictures are made at run time so that no large binary lands in the repository.
inline vips::VImage solid(int width, int height, std::vector<double> pixel,
                          VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB,
                          VipsBandFormat format = VIPS_FORMAT_UCHAR) {
    ensureVipsStarted();
    return vips::VImage::black(width, height)
        .cast(format)
        .new_from_image(pixel)
        .copy(vips::VImage::option()->set("interpretation", interpretation));
}

// `suffix` picks the format, as in ".jpg" or ".png[bitdepth=16]".
inline Bytes encode(const vips::VImage& image, const std::string& suffix) {
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(suffix.c_str(), &buffer, &size);
    Bytes bytes(static_cast<const std::uint8_t*>(buffer),
                static_cast<const std::uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

} // namespace ks::test
