#include "ui/fan_tile.h"

#include "library/thumbnail_cache.h"
#include "platform/qt/qt_cover_fill.h"
#include "ui/badge_button.h"
#include "ui/palette.h"
#include "ui/selection_ring.h"
#include "ui/thumb_image.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr double kCornerRadius = 6;
constexpr double kBadgeDiameter = 20;
constexpr double kBadgePadding = 4;
constexpr double kShadowBlur = 7;
constexpr double kShadowDrop = 3;
constexpr double kShadowAlpha = 0.18;

// Three box blurs come close to a Gaussian; on the alpha of a premultiplied black image.
void blurAlpha(QImage& image, int radius) {
    if (radius < 1)
        return;
    const int w = image.width();
    const int h = image.height();
    std::vector<int> line(static_cast<std::size_t>(std::max(w, h)));
    const auto pass = [&](bool horizontal) {
        const int lines = horizontal ? h : w;
        const int length = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            const auto at = [&](int i) -> QRgb& {
                const int x = horizontal ? i : l;
                const int y = horizontal ? l : i;
                return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
            };
            for (int i = 0; i < length; ++i)
                line[static_cast<std::size_t>(i)] = qAlpha(at(i));
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += line[static_cast<std::size_t>(std::clamp(i, 0, length - 1))];
            for (int i = 0; i < length; ++i) {
                const int a = sum / (2 * radius + 1);
                at(i) = qRgba(0, 0, 0, a);
                sum += line[static_cast<std::size_t>(std::min(i + radius + 1, length - 1))];
                sum -= line[static_cast<std::size_t>(std::max(i - radius, 0))];
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
}

// The shadow every tile casts, made once per tile size and shared: blurring for each tile at
// every frame would cost more than the rest of the frame.
const QPixmap& shadowFor(QSizeF size, double pixelRatio) {
    static QPixmap shadow;
    static QSizeF shadowSize;
    static double shadowRatio = 0;
    if (shadow.isNull() || shadowSize != size || shadowRatio != pixelRatio) {
        const double margin = kShadowBlur * 2;
        QImage image(QSize(static_cast<int>(std::ceil((size.width() + 2 * margin) * pixelRatio)),
                           static_cast<int>(std::ceil((size.height() + 2 * margin) * pixelRatio))),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(pixelRatio, pixelRatio);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgbF(0, 0, 0, static_cast<float>(kShadowAlpha)));
            painter.drawRoundedRect(QRectF(QPointF(margin, margin), size), kCornerRadius,
                                    kCornerRadius);
        }
        // Three passes of a box a third of the blur wide spread about as far as the blur.
        blurAlpha(image, static_cast<int>(std::lround(kShadowBlur * pixelRatio / 3)));
        shadow = QPixmap::fromImage(image);
        shadow.setDevicePixelRatio(pixelRatio);
        shadowSize = size;
        shadowRatio = pixelRatio;
    }
    return shadow;
}

QRectF centred(QSizeF size) {
    return {QPointF(-size.width() / 2, -size.height() / 2), size};
}

} // namespace

FanTile::FanTile(Wallpaper wallpaper, std::function<void()> changed)
    : m_wallpaper(std::move(wallpaper)), m_changed(std::move(changed)) {}

FanTile::~FanTile() = default;

void FanTile::load() {
    if (m_asked)
        return;
    m_asked = true;
    const std::weak_ptr<FanTile*> self = m_self;
    ThumbnailCache::shared().load(ImageSource::wallpaper(m_wallpaper), ThumbImage::kMaxPixel,
                                  [self](std::optional<Image> image) {
                                      const auto tile = self.lock();
                                      // No picture keeps the plain fill.
                                      if (!tile || !image)
                                          return;
                                      (*tile)->m_image = wrapImage(*image);
                                      (*tile)->m_picture = QPixmap();
                                      if ((*tile)->m_changed)
                                          (*tile)->m_changed();
                                  });
}

void FanTile::setHovering(bool hovering, double now) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    m_hoverScale.animateTo(hovering ? 1.05 : 1, MotionCurve::easeOut(0.12), now);
    if (m_changed)
        m_changed();
}

const QPixmap& FanTile::pictureFor(QSizeF size, double pixelRatio) const {
    if (!m_picture.isNull() && m_pictureSize == size && m_picture.devicePixelRatio() == pixelRatio)
        return m_picture;
    // The shadow and the picture in one pixmap: one draw per tile and frame while it flies.
    const double margin = kShadowBlur * 2;
    const QSize pixels(std::max(1, static_cast<int>(std::lround(size.width() * pixelRatio))),
                       std::max(1, static_cast<int>(std::lround(size.height() * pixelRatio))));
    m_picture =
        QPixmap(pixels + QSize(1, 1) * static_cast<int>(std::ceil(2 * margin * pixelRatio)));
    m_picture.setDevicePixelRatio(pixelRatio);
    m_picture.fill(Qt::transparent);
    QPainter painter(&m_picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QPointF(0, kShadowDrop), shadowFor(size, pixelRatio));
    const QRectF frame(QPointF(margin, margin), size);
    QPainterPath clip;
    clip.addRoundedRect(frame, kCornerRadius, kCornerRadius);
    painter.setClipPath(clip);
    painter.fillRect(frame, QColor::fromRgbF(0.94f, 0.94f, 0.94f));
    if (!m_image.isNull())
        painter.drawImage(frame, m_image, coverCrop(m_image.size(), pixels));
    painter.setClipping(false);
    painter.setPen(QPen(Panel::hairline().light, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.25, 0.25, -0.25, -0.25), kCornerRadius, kCornerRadius);
    m_pictureSize = size;
    return m_picture;
}

QRectF FanTile::badgeCircle(int index, QSizeF size) const {
    const QRectF frame = centred(size);
    return {frame.left() + kBadgePadding + index * kBadgeDiameter,
            frame.bottom() - kBadgePadding - kBadgeDiameter, kBadgeDiameter, kBadgeDiameter};
}

void FanTile::paint(QPainter& painter, QSizeF size, const FanTileLook& look, bool selected) const {
    const double ratio = painter.device()->devicePixelRatioF();
    const QRectF frame = centred(size);
    const double margin = kShadowBlur * 2;
    painter.drawPixmap(frame.topLeft() - QPointF(margin, margin), pictureFor(size, ratio));
    if (look.showsBadges) {
        BadgeButton::paint(painter, badgeCircle(0, size), 9, 0.55, look.favoriteSymbol,
                           look.favorite ? Palette::favoriteRed() : QColor(Qt::white));
        BadgeButton::paint(painter, badgeCircle(1, size), 9, 0.55, look.collectionSymbol,
                           Qt::white);
    }
    if (selected)
        paintSelectionRing(painter, frame, kCornerRadius);
}

FanTile::Part FanTile::partAt(QPointF point, QSizeF size, const FanTileLook& look) const {
    if (!centred(size).contains(point))
        return Part::none;
    if (look.showsBadges) {
        // The badges take clicks on their circles only.
        for (int i = 0; i < 2; ++i) {
            const QRectF circle = badgeCircle(i, size);
            const QPointF d = point - circle.center();
            if (d.x() * d.x() + d.y() * d.y() <= circle.width() * circle.width() / 4)
                return i == 0 ? Part::favoriteBadge : Part::collectionBadge;
        }
    }
    return Part::picture;
}

} // namespace ks
