#include "ui/box_style.h"

#include "ui/palette.h"

#include <QPainter>

namespace ks {

void paintBox(QPainter& painter, const QRectF& rect, const QWidget* widget) {
    const double radius = Panel::boxRadius;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A 2 pt blur of 5 % black, one point down: a wide faint layer and a tight one.
    const QRectF shadow = rect.translated(0, 1);
    painter.setBrush(QColor(0, 0, 0, 6));
    painter.drawRoundedRect(shadow.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    painter.setBrush(QColor(0, 0, 0, 7));
    painter.drawRoundedRect(shadow, radius, radius);

    painter.setBrush(Panel::box().resolve(widget));
    painter.drawRoundedRect(rect, radius, radius);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Panel::hairline().resolve(widget), 0.5));
    painter.drawRoundedRect(rect.adjusted(0.25, 0.25, -0.25, -0.25), radius - 0.25, radius - 0.25);
    painter.restore();
}

BoxFrame::BoxFrame(QWidget* parent) : QWidget(parent) {
    setContentsMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin);
}

void BoxFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBox(painter,
             QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin),
             this);
}

} // namespace ks
