#include "agent/picture_loader.h"

#include "base/file_io.h"
#include "base/log.h"
#include "library/decode_image.h"

#include <algorithm>

namespace ks {

namespace {

// Checking that a file decodes at a small size is cheap: JPEG and WebP decode at a reduced
// scale.
constexpr int kCheckPixel = 64;

std::optional<Bytes> readPicture(const FileUrl& url) {
    auto bytes = readWholeFile(url.path());
    if (!bytes)
        logLine("kestrane-wallpaper-agent: can't read the picture " + url.path().string());
    return bytes;
}

Image opaque(Image image) {
    const std::uint8_t* pixels = image.pixels.get();
    const std::size_t count = image.byteCount();
    bool translucent = false;
    for (std::size_t i = 3; i < count && !translucent; i += 4)
        translucent = pixels[i] != 255;
    if (!translucent)
        return image;
    std::shared_ptr<std::uint8_t[]> flat(new std::uint8_t[count]);
    for (std::size_t i = 0; i < count; i += 4) {
        const unsigned alpha = pixels[i + 3];
        for (std::size_t c = 0; c < 3; ++c)
            flat[i + c] = static_cast<std::uint8_t>((pixels[i + c] * alpha + 127) / 255);
        flat[i + 3] = 255;
    }
    image.pixels = std::move(flat);
    return image;
}

} // namespace

std::optional<Image> PictureLoader::filling(const FileUrl& url, int width, int height) {
    const auto key = std::tuple(url.absoluteString(), width, height);
    if (const auto it = m_decoded.find(key); it != m_decoded.end())
        return it->second;
    const auto bytes = readPicture(url);
    if (!bytes)
        return std::nullopt;
    auto image = decodeImageFilling(*bytes, width, height);
    if (!image) {
        logLine("kestrane-wallpaper-agent: can't decode the picture " + url.path().string());
        return std::nullopt;
    }
    return m_decoded[key] = opaque(std::move(*image));
}

bool PictureLoader::usable(const FileUrl& url) {
    const auto bytes = readPicture(url);
    if (!bytes)
        return false;
    if (decodeImage(*bytes, kCheckPixel))
        return true;
    logLine("kestrane-wallpaper-agent: can't decode the picture " + url.path().string());
    return false;
}

bool PictureLoader::newPicturesUsable(const DisplayPlan& plan) {
    return std::ranges::all_of(plan, [this](const PlannedDisplay& planned) {
        return !planned.picture || usable(*planned.picture);
    });
}

} // namespace ks
