#include "ui/thumb_image.h"

#include "library/thumbnail_cache.h"
#include "platform/qt/qt_cover_fill.h"
#include "ui/palette.h"

#include <QPainter>
#include <QPainterPath>

namespace ks {

ThumbImage::ThumbImage(double cornerRadius, QWidget* parent)
    : QWidget(parent), m_cornerRadius(cornerRadius) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

ThumbImage::~ThumbImage() = default;

void ThumbImage::setSource(std::optional<ImageSource> source) {
    if (source == m_source)
        return;
    m_source = std::move(source);
    m_image = QImage();
    m_asked = false;
    m_nothingCame = false;
    // A new source for a fresh slot: forget answers meant for the old one.
    m_self = std::make_shared<ThumbImage*>(this);
    if (isVisible())
        load();
    update();
}

void ThumbImage::reloadIfMissing() {
    if (!m_nothingCame)
        return;
    m_nothingCame = false;
    m_asked = false;
    if (isVisible())
        load();
}

void ThumbImage::setOpacity(double opacity) {
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void ThumbImage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    load();
}

void ThumbImage::load() {
    if (m_asked || !m_source)
        return;
    m_asked = true;
    const std::weak_ptr<ThumbImage*> self = m_self;
    ThumbnailCache::shared().load(*m_source, kMaxPixel, [self](std::optional<Image> image) {
        const auto view = self.lock();
        if (!view)
            return;
        if (!image) {
            (*view)->m_nothingCame = true;
            return;
        }
        (*view)->m_image = wrapImage(*image);
        (*view)->update();
    });
}

void ThumbImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(m_opacity);
    const QRectF frame = rect();
    QPainterPath clip;
    clip.addRoundedRect(frame, m_cornerRadius, m_cornerRadius);
    painter.setClipPath(clip);
    painter.fillRect(frame, QColor::fromRgbF(0.94f, 0.94f, 0.94f));
    if (!m_image.isNull()) {
        const QRect crop = coverCrop(m_image.size(), size() * devicePixelRatioF());
        painter.drawImage(frame, m_image, crop);
    }
    painter.setClipping(false);
    painter.setPen(QPen(Panel::hairline().resolve(this), 0.5));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = 0.25;
    painter.drawRoundedRect(frame.adjusted(inset, inset, -inset, -inset), m_cornerRadius,
                            m_cornerRadius);
}

} // namespace ks
