#include "library/decode_image.h"

#include "library/picture_probe.h"
#include "library/vips_runtime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vips/vips8>

namespace ks {

namespace {

using vips::VImage;

// Refuse pictures of more than 2^28 pixels (16384 x 16384) before decoding anything: a few bytes of
// a compressed file can otherwise claim gigabytes of pixels.
constexpr std::int64_t kMaxSourcePixels = std::int64_t{1} << 28;
// HEIF is decoded whole before it is shrunk, so its bound is lower: 2^26 pixels (8192 x 8192)
// still takes the largest phone pictures.
constexpr std::int64_t kMaxHeifPixels = std::int64_t{1} << 26;
// libvips' own upper bound for a thumbnail's size.
constexpr int kMaxTargetPixel = 10'000'000;
// A frame to fill is a display or a row of displays; 2^28 pixels (1 GiB of RGBA) is far
// beyond any of them.
constexpr std::int64_t kMaxFillPixels = std::int64_t{1} << 28;

// Borrows the caller's bytes for the length of one decode, without copying them.
class BorrowedBlob {
public:
    explicit BorrowedBlob(ByteView bytes)
        : m_blob(vips_blob_new(nullptr, bytes.data(), bytes.size())) {}
    ~BorrowedBlob() { vips_area_unref(VIPS_AREA(m_blob)); }
    BorrowedBlob(const BorrowedBlob&) = delete;
    BorrowedBlob& operator=(const BorrowedBlob&) = delete;
    VipsBlob* get() const { return m_blob; }

private:
    VipsBlob* m_blob;
};

vips::VOption* boundedSize(int maxPixel) {
    return VImage::option()->set("height", maxPixel)->set("size", VIPS_SIZE_DOWN);
}

// How a picture is brought to its target size: within a bound, or covering a frame exactly.
struct TargetSize {
    int width;
    int height;
    bool fill;

    vips::VOption* options() const {
        if (!fill)
            return boundedSize(height);
        return VImage::option()
            ->set("height", height)
            ->set("size", VIPS_SIZE_BOTH)
            ->set("crop", VIPS_INTERESTING_CENTRE);
    }
};

// HEIF files may carry a small embedded preview, and pyramidal TIFFs smaller pages (which
// need not show the same picture), that the thumbnail path would pick up; the picture must
// always be built from the primary image at full size. Read in sequence, it streams through
// the shrink instead of being decoded into a full-size copy first.
VImage shrinkFirstPage(ByteView bytes, const TargetSize& target) {
    const VImage primary = VImage::new_from_buffer(
        bytes.data(), bytes.size(), "", VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    return primary.thumbnail_image(target.width, target.options());
}

VImage shrink(const BorrowedBlob& blob, ByteView bytes, std::string_view loader,
              const TargetSize& target) {
    if (loader.starts_with("VipsForeignLoadHeif") || loader.starts_with("VipsForeignLoadTiff"))
        return shrinkFirstPage(bytes, target);
    // The buffer path lets JPEG and WebP decode at a reduced scale directly.
    return VImage::thumbnail_buffer(blob.get(), target.width, target.options());
}

// Enlarging a picture whole to cover a frame of another shape costs time and memory in
// proportion to the enlarged picture: for a strip a few pixels high, gigabytes. Beyond a few
// times the frame, the part the frame shows is cut out first and only that is enlarged (a
// picture that is reduced keeps the thumbnail path, which decodes it at a reduced scale).
bool coversWastefully(const VImage& header, const TargetSize& target) {
    double width = header.width(), height = header.height();
    if (vips_image_get_orientation_swap(header.get_image()))
        std::swap(width, height);
    const double scale = std::max(target.width / width, target.height / height);
    return scale > 1 && width * scale * height * scale > 4.0 * target.width * target.height;
}

VImage fillFromCentre(ByteView bytes, const TargetSize& target) {
    const VImage upright = VImage::new_from_buffer(bytes.data(), bytes.size(), "").autorot();
    const double scale =
        std::max(double(target.width) / upright.width(), double(target.height) / upright.height());
    const int width =
        std::clamp(static_cast<int>(std::ceil(target.width / scale)), 1, upright.width());
    const int height =
        std::clamp(static_cast<int>(std::ceil(target.height / scale)), 1, upright.height());
    return upright
        .extract_area((upright.width() - width) / 2, (upright.height() - height) / 2, width, height)
        .thumbnail_image(target.width, target.options());
}

// Pictures that carry a colour profile (wide-gamut photos, CMYK prints) are brought into
// sRGB through it; the rest are taken to be sRGB already.
VImage toSrgb(const VImage& image) {
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        try {
            return image.icc_transform(
                "srgb",
                VImage::option()->set("embedded", true)->set("intent", VIPS_INTENT_PERCEPTUAL));
        } catch (const vips::VError&) {
            // A broken or mismatched profile: fall back to the plain conversion.
            vips_error_clear();
        }
    }
    return image.colourspace(VIPS_INTERPRETATION_sRGB);
}

// sRGB, 8 bits per sample, exactly four bands with alpha last.
VImage toRgba8(VImage image) {
    image = toSrgb(image);
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() == 1)
        image = image.bandjoin({image, image});
    if (image.bands() == 2) {
        const VImage grey = image.extract_band(0);
        image = grey.bandjoin({grey, grey, image.extract_band(1)});
    }
    if (image.bands() == 3)
        image = image.bandjoin_const({255});
    if (image.bands() > 4)
        image = image.extract_band(0, VImage::option()->set("n", 4));
    return image;
}

std::optional<Image> copyPixels(const VImage& rgba) {
    std::size_t size = 0;
    void* memory = rgba.write_to_memory(&size);
    std::shared_ptr<const std::uint8_t[]> pixels(
        static_cast<const std::uint8_t*>(memory),
        [](const std::uint8_t* p) { g_free(const_cast<std::uint8_t*>(p)); });
    Image image{rgba.width(), rgba.height(), std::move(pixels)};
    if (!memory || size != image.byteCount())
        return std::nullopt;
    return image;
}

std::optional<Image> decode(ByteView bytes, const TargetSize& target) {
    const char* found = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    if (!found || !isAllowedPictureLoader(found))
        return std::nullopt;
    const std::string loader(found);
    const BorrowedBlob blob(bytes);
    // Opening reads the header only; pixels are decoded when they are first needed.
    const VImage header = VImage::new_from_buffer(bytes.data(), bytes.size(), "");
    const auto pixels = std::int64_t{header.width()} * header.height();
    const bool heif = loader.starts_with("VipsForeignLoadHeif");
    if (pixels <= 0 || pixels > (heif ? kMaxHeifPixels : kMaxSourcePixels))
        return std::nullopt;
    if (target.fill && coversWastefully(header, target))
        return copyPixels(toRgba8(fillFromCentre(bytes, target)));
    return copyPixels(toRgba8(shrink(blob, bytes, loader, target)));
}

std::optional<Image> decodeGuarded(ByteView bytes, const TargetSize& target) {
    if (bytes.empty() || !ensureVipsStarted())
        return std::nullopt;
    try {
        return decode(bytes, target);
    } catch (const std::exception&) {
        // vips::VError for undecodable bytes, std::bad_alloc for absurd sizes.
        vips_error_clear();
        return std::nullopt;
    }
}

} // namespace

std::optional<Image> decodeImage(ByteView bytes, int maxPixel) {
    if (maxPixel <= 0)
        return std::nullopt;
    const int bound = std::min(maxPixel, kMaxTargetPixel);
    return decodeGuarded(bytes, {bound, bound, false});
}

std::optional<Image> decodeImageFilling(ByteView bytes, int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxTargetPixel || height > kMaxTargetPixel ||
        std::int64_t{width} * height > kMaxFillPixels)
        return std::nullopt;
    auto image = decodeGuarded(bytes, {width, height, true});
    // The centre crop gives the frame exactly; anything else would be drawn out of place.
    if (image && (image->width != width || image->height != height))
        return std::nullopt;
    return image;
}

std::optional<Image> decodeImage(const ImageSource& source, int maxPixel) {
    const auto bytes = source.data();
    if (!bytes)
        return std::nullopt;
    return decodeImage(*bytes, maxPixel);
}

} // namespace ks
