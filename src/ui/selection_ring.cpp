#include "ui/selection_ring.h"

#include "ui/palette.h"

#include <QPainter>

namespace ks {

void paintSelectionRing(QPainter& painter, const QRectF& content, double cornerRadius) {
    constexpr double outset = 3.5;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Palette::accent(), 2.5));
    painter.drawRoundedRect(content.adjusted(-outset, -outset, outset, outset), cornerRadius + 2,
                            cornerRadius + 2);
    painter.restore();
}

void paintFocusRing(QPainter& painter, const QRectF& outline, double cornerRadius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QColor ring = Palette::accent();
    ring.setAlphaF(0.6f);
    painter.setPen(QPen(ring, 2));
    painter.drawRoundedRect(outline.adjusted(1, 1, -1, -1), cornerRadius, cornerRadius);
    painter.restore();
}

} // namespace ks
