#include "library/picture_probe.h"

#include "library/vips_runtime.h"

#include <array>
#include <vips/vips8>

namespace ks {

namespace {

constexpr std::array<std::string_view, 6> kAllowedLoaders{
    "VipsForeignLoadJpeg", "VipsForeignLoadPng",   "VipsForeignLoadWebp",
    "VipsForeignLoadHeif", "VipsForeignLoadNsgif", "VipsForeignLoadTiff"};

} // namespace

bool isAllowedPictureLoader(std::string_view loader) {
    for (auto allowed : kAllowedLoaders) {
        if (loader.starts_with(allowed))
            return true;
    }
    return false;
}

bool holdsPicture(ByteView bytes) {
    if (bytes.empty() || !ensureVipsStarted())
        return false;
    const char* loader = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    if (!loader || !isAllowedPictureLoader(loader)) {
        vips_error_clear();
        return false;
    }
    try {
        // Opening reads the header only; the pixels wait for a use that never comes.
        const auto header = vips::VImage::new_from_buffer(bytes.data(), bytes.size(), "");
        return header.width() > 0 && header.height() > 0;
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

} // namespace ks
