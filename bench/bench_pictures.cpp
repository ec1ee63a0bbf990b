#include "bench_pictures.h"

#include "base/file_io.h"

#include <vips/vips8>

namespace ks::bench {

namespace fs = std::filesystem;

fs::path photoLikePicture(const fs::path& dir, const std::string& format, int width, int height) {
    const fs::path path =
        dir / ("photo-" + std::to_string(width) + "x" + std::to_string(height) + "." + format);
    if (fs::exists(path))
        return path;
    fs::create_directories(dir);
    using vips::VImage;
    auto noise =
        VImage::gaussnoise(width, height, VImage::option()->set("sigma", 40.0)).gaussblur(1.2);
    auto xy = VImage::xyz(width, height);
    auto gradient = (xy[0] * (200.0 / width) + xy[1] * (120.0 / height));
    auto red = gradient + noise;
    auto green = gradient * 0.7 + noise + 30;
    auto blue = (gradient * -0.5 + 200) + noise;
    auto image = red.bandjoin(green).bandjoin(blue).cast(VIPS_FORMAT_UCHAR);
    VipsBlob* blob = nullptr;
    if (format == "jpg")
        blob = image.jpegsave_buffer(VImage::option()->set("Q", 90));
    else if (format == "webp")
        blob = image.webpsave_buffer(VImage::option()->set("Q", 85));
    else
        blob = image.heifsave_buffer(
            VImage::option()->set("Q", 60)->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC));
    std::size_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
    replaceFileAtomically(path, ByteView(data, size));
    vips_area_unref(VIPS_AREA(blob));
    return path;
}

} // namespace ks::bench
