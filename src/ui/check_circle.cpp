#include "ui/check_circle.h"

#include "ui/palette.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace ks {

CheckCircle::CheckCircle(QWidget* parent) : QWidget(parent) {
    setFixedSize(24, 24);
    setCursor(Qt::PointingHandCursor);
}

void CheckCircle::setState(bool checked, bool partial) {
    if (checked == m_checked && partial == m_partial)
        return;
    m_checked = checked;
    m_partial = partial;
    update();
}

void CheckCircle::setAction(std::function<void()> action) {
    m_action = std::move(action);
}

void CheckCircle::paint(QPainter& painter, QPointF centre, bool checked, bool partial) {
    constexpr double diameter = 15;
    constexpr double mark = 7.5;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre);
    painter.setBrush(checked || partial ? Palette::accent() : QColor(0, 0, 0, 77));
    painter.setPen(QPen(QColor(255, 255, 255, 230), 1));
    const double r = diameter / 2 - 0.5;
    painter.drawEllipse(QPointF(0, 0), r, r);

    QPen markPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(markPen);
    painter.setBrush(Qt::NoBrush);
    const double h = mark / 2;
    if (checked) {
        QPainterPath tick;
        tick.moveTo(-h, 0.1 * h);
        tick.lineTo(-0.3 * h, 0.75 * h);
        tick.lineTo(h, -0.7 * h);
        painter.drawPath(tick);
    } else if (partial) {
        painter.drawLine(QPointF(-0.8 * h, 0), QPointF(0.8 * h, 0));
    }
    painter.restore();
}

void CheckCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()).center(), m_checked, m_partial);
}

void CheckCircle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        m_action)
        m_action();
}

} // namespace ks
