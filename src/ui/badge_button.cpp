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

void BadgeButton::paint(QPainter& painter, const QRectF& circle, double symbolSize, double shade,
                        std::string_view symbol, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, static_cast<float>(shade)));
    painter.drawEllipse(circle);
    const QPointF centre = circle.center();
    const QRectF symbolRect(centre.x() - symbolSize / 2, centre.y() - symbolSize / 2, symbolSize,
                            symbolSize);
    drawSymbol(painter, symbolRect, symbol, colour);
    painter.restore();
}

void BadgeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(0, 0, m_diameter, m_diameter), m_symbolSize, m_shade, m_symbol, m_colour);
}

} // namespace ks
