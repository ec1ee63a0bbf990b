#include "platform/qt/qt_cover_surface.h"

#include <QBackingStore>
#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace ks {

QtCoverSurface::QtCoverSurface(QScreen* screen) : QWindow(screen) {
    setSurfaceType(QSurface::RasterSurface);
}

QtCoverSurface::~QtCoverSurface() = default;

void QtCoverSurface::setLayers(QImage base, QImage top, double topOpacity) {
    m_base = std::move(base);
    m_top = std::move(top);
    m_opacity = std::clamp(topOpacity, 0.0, 1.0);
    // A hidden window draws when it is shown again.
    if (isExposed())
        requestUpdate();
}

void QtCoverSurface::setTopOpacity(double opacity) {
    m_opacity = std::clamp(opacity, 0.0, 1.0);
    if (isExposed())
        requestUpdate();
}

void QtCoverSurface::settle() {
    if (m_top.isNull())
        return;
    const bool changes = m_opacity < 1.0;
    m_base = std::exchange(m_top, QImage());
    m_opacity = 0;
    if (changes && isExposed())
        requestUpdate();
}

QSize QtCoverSurface::deviceSize() const {
    return size() * devicePixelRatio();
}

QImage QtCoverSurface::composed() const {
    QImage image(deviceSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintLayers(painter);
    return image;
}

bool QtCoverSurface::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        render();
        return true;
    }
    return QWindow::event(event);
}

void QtCoverSurface::exposeEvent(QExposeEvent*) {
    render();
}

void QtCoverSurface::hideEvent(QHideEvent* event) {
    // A hidden cover holds its pictures, never a window-sized buffer nobody sees.
    m_store.reset();
    QWindow::hideEvent(event);
}

void QtCoverSurface::paintLayers(QPainter& painter) const {
    // In device pixels, so that a layer of the window's device size is a plain blend with
    // no scaling at any pixel ratio.
    const QRect rect(QPoint(), deviceSize());
    const auto draw = [&](const QImage& image) {
        if (image.size() == rect.size())
            painter.drawImage(QPoint(), image);
        else
            painter.drawImage(rect, image);
    };
    const bool topCovers = !m_top.isNull() && m_opacity >= 1.0;
    if (m_base.isNull() || topCovers)
        painter.fillRect(rect, Qt::black);
    else
        draw(m_base);
    if (!m_top.isNull() && m_opacity > 0) {
        painter.setOpacity(m_opacity);
        draw(m_top);
        painter.setOpacity(1);
    }
}

void QtCoverSurface::render() {
    if (!isExposed())
        return;
    if (!m_store)
        m_store = std::make_unique<QBackingStore>(this);
    const QRect rect(QPoint(), size());
    if (m_store->size() != size())
        m_store->resize(size());
    m_store->beginPaint(rect);
    {
        QPainter painter(m_store->paintDevice());
        const qreal ratio = devicePixelRatio();
        painter.scale(1 / ratio, 1 / ratio);
        paintLayers(painter);
    }
    m_store->endPaint();
    m_store->flush(rect);
    ++m_paints;
}

} // namespace ks
