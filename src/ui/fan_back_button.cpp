#include "ui/fan_back_button.h"

#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/symbol_icons.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace ks {

namespace {

constexpr double kSymbolSize = 10;
constexpr double kGap = 3;
constexpr double kLeft = 8;
constexpr double kRight = 11;
constexpr double kVertical = 5;
// Room below for the capsule's shadow.
constexpr double kShadowRoom = 2;

QString title() {
    return QStringLiteral("All Packs");
}

} // namespace

FanBackButton::FanBackButton(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("fanBack"));
    setText(title());
    setToolTip(QStringLiteral("Back to all packs (or press Esc)"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    // Invisible until the browser fans out.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
}

void FanBackButton::setOpacity(double opacity) {
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    // A button that cannot be seen cannot be clicked either.
    setAttribute(Qt::WA_TransparentForMouseEvents, opacity < 0.05);
    update();
}

QSize FanBackButton::sizeHint() const {
    const QFontMetricsF metrics(dsFont(11, QFont::Medium));
    const double width = kLeft + kSymbolSize + kGap + metrics.horizontalAdvance(title()) + kRight;
    const double height = std::max(kSymbolSize, metrics.height()) + 2 * kVertical;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height + kShadowRoom))};
}

void FanBackButton::paintEvent(QPaintEvent*) {
    if (m_opacity <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    const QRectF capsule(0.5, 0.5, width() - 1, height() - kShadowRoom - 1);
    const double radius = capsule.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.10f));
    painter.drawRoundedRect(capsule.translated(0, 1), radius, radius);
    painter.setBrush(isDown() ? QColor::fromRgbF(0.93f, 0.93f, 0.93f) : QColor(Qt::white));
    painter.setPen(QPen(Panel::hairline().resolve(this), 0.5));
    painter.drawRoundedRect(capsule, radius, radius);
    const QColor ink = Palette::ink().resolve(this);
    const QRectF symbol(kLeft, capsule.center().y() - kSymbolSize / 2, kSymbolSize, kSymbolSize);
    drawSymbol(painter, symbol, "chevron.left", ink);
    painter.setFont(dsFont(11, QFont::Medium));
    painter.setPen(ink);
    painter.drawText(QRectF(symbol.right() + kGap, capsule.top(), width(), capsule.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title());
}

} // namespace ks
