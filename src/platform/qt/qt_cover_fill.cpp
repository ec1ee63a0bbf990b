#include "platform/qt/qt_cover_fill.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace ks {

namespace {

using Pixels = std::shared_ptr<const std::uint8_t[]>;

void releasePixels(void* pixels) {
    delete static_cast<Pixels*>(pixels);
}

// A view of `rect` inside `picture` that shares its pixels and keeps them alive.
QImage subImage(const QImage& picture, const QRect& rect) {
    if (rect == picture.rect())
        return picture;
    // The view holds a copy of `picture` (a reference, not its pixels) until it goes.
    auto* owner = new QImage(picture);
    const uchar* first =
        owner->constBits() + rect.y() * owner->bytesPerLine() + rect.x() * (owner->depth() / 8);
    return QImage(
        first, rect.width(), rect.height(), owner->bytesPerLine(), owner->format(),
        [](void* image) { delete static_cast<QImage*>(image); }, owner);
}

} // namespace

QRect coverCrop(QSize picture, QSize target) {
    if (picture.isEmpty() || target.isEmpty())
        return {};
    const std::int64_t width = picture.width(), height = picture.height();
    const std::int64_t targetWidth = target.width(), targetHeight = target.height();
    // Compare the shapes in integers: width / height against targetWidth / targetHeight.
    if (width * targetHeight > height * targetWidth) {
        const auto cropWidth = std::clamp<std::int64_t>(
            (height * targetWidth + targetHeight / 2) / targetHeight, 1, width);
        return QRect(static_cast<int>((width - cropWidth) / 2), 0, static_cast<int>(cropWidth),
                     picture.height());
    }
    const auto cropHeight =
        std::clamp<std::int64_t>((width * targetHeight + targetWidth / 2) / targetWidth, 1, height);
    return QRect(0, static_cast<int>((height - cropHeight) / 2), picture.width(),
                 static_cast<int>(cropHeight));
}

QImage wrapImage(const Image& image) {
    if (!image.pixels || image.width <= 0 || image.height <= 0)
        return {};
    return QImage(image.pixels.get(), image.width, image.height,
                  static_cast<qsizetype>(image.stride()), QImage::Format_RGBA8888, releasePixels,
                  new Pixels(image.pixels));
}

QImage fillImage(const QImage& picture, QSize deviceSize) {
    const QRect crop = coverCrop(picture.size(), deviceSize);
    if (crop.isEmpty())
        return {};
    QImage shown = subImage(picture, crop);
    if (shown.size() == deviceSize)
        return shown;
    return shown.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace ks
