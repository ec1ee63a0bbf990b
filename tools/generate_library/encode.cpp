#include "encode.h"

#include <vips/vips8>

namespace ks::gen {

namespace {

Bytes saveToBuffer(const std::vector<std::uint8_t>& pixels, int width, int height, int bands,
                   Format format) {
    auto image =
        vips::VImage::new_from_memory(const_cast<std::uint8_t*>(pixels.data()), pixels.size(),
                                      width, height, bands, VIPS_FORMAT_UCHAR);
    VipsBlob* blob = nullptr;
    switch (format) {
    case Format::jpeg:
        blob = image.jpegsave_buffer(vips::VImage::option()
                                         ->set("Q", 88)
                                         ->set("strip", true)
                                         ->set("optimize_coding", true)
                                         ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_OFF));
        break;
    case Format::png:
        blob =
            image.pngsave_buffer(vips::VImage::option()->set("strip", true)->set("compression", 6));
        break;
    case Format::webp:
        blob = image.webpsave_buffer(vips::VImage::option()->set("strip", true)->set("Q", 85));
        break;
    case Format::heic:
        blob = image.heifsave_buffer(vips::VImage::option()
                                         ->set("strip", true)
                                         ->set("Q", 70)
                                         ->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC));
        break;
    }
    std::size_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
    Bytes bytes(data, data + size);
    vips_area_unref(VIPS_AREA(blob));
    return bytes;
}

} // namespace

Bytes encode(const Canvas& canvas, Format format) {
    return saveToBuffer(canvas.toRgb8(), canvas.width(), canvas.height(), 3, format);
}

Bytes encodePngWithAlpha(const Canvas& canvas, const std::vector<float>& alpha) {
    return saveToBuffer(canvas.toRgba8(alpha), canvas.width(), canvas.height(), 4, Format::png);
}

Format formatForFileName(std::string_view fileName) {
    if (fileName.ends_with(".png"))
        return Format::png;
    if (fileName.ends_with(".webp"))
        return Format::webp;
    if (fileName.ends_with(".heic"))
        return Format::heic;
    return Format::jpeg;
}

} // namespace ks::gen
