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

} // namespace ks
