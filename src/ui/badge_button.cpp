#include "ui/badge_button.h"

#include "ui/symbol_icons.h"

#include <QPainter>

#include <cmath>

namespace ks {

BadgeButton::BadgeButton(double diameter, double symbolSize, double shade, QWidget* parent)
    : QAbstractButton(parent), m_diameter(diameter), m_symbolSize(symbolSize), m_shade(shade) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    const int side = static_cast<int>(std::ceil(diameter));
    setFixedSize(side, side);
}

void BadgeButton::setSymbol(std::string symbol, QColor colour) {
    m_symbol = std::move(symbol);
    m_colour = colour;
    update();
}

void BadgeButton::setClickable(bool clickable) {
    setAttribute(Qt::WA_TransparentForMouseEvents, !clickable);
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

QSize BadgeButton::sizeHint() const {
    return size();
}

void BadgeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(0, 0, m_diameter, m_diameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, static_cast<float>(m_shade)));
    painter.drawEllipse(circle);
    const QPointF centre = circle.center();
    const QRectF symbolRect(centre.x() - m_symbolSize / 2, centre.y() - m_symbolSize / 2,
                            m_symbolSize, m_symbolSize);
    drawSymbol(painter, symbolRect, m_symbol, m_colour);
}

} // namespace ks
