#include "ui/collection_chip.h"

#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/symbol_icons.h"

#include <QPainter>

#include <cmath>

namespace ks {

namespace {

constexpr double kHeight = 24;
constexpr double kPadding = 10;
constexpr double kSymbolSize = 11;
constexpr double kGap = 5;
// A name longer than this is cut, so one chip cannot fill the row.
constexpr int kMaxNameWidth = 180;

QFont nameFont(bool active) {
    return dsFont(11.5, active ? QFont::DemiBold : QFont::Medium);
}

QFont countFont() {
    return dsFont(10, QFont::Medium);
}

} // namespace

CollectionChip::CollectionChip(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CollectionChip::setState(const CollectionChipState& state) {
    m_state = state;
    setObjectName(QString::fromStdString("collectionChip:" + state.id));
    setToolTip(QString::fromStdString(state.help));
    setAccessibleName(QString::fromStdString(state.name));
    setFixedSize(sizeHint());
    update();
}

QString CollectionChip::name() const {
    return QFontMetrics(nameFont(m_state.active))
        .elidedText(QString::fromStdString(m_state.name), Qt::ElideRight, kMaxNameWidth);
}

QSize CollectionChip::sizeHint() const {
    const double nameWidth = QFontMetrics(nameFont(m_state.active)).horizontalAdvance(name());
    const double countWidth =
        QFontMetrics(countFont()).horizontalAdvance(QString::number(m_state.count));
    const double width = kPadding + kSymbolSize + kGap + nameWidth + kGap + countWidth + kPadding;
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(kHeight));
}

void CollectionChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_state.faded ? 0.6 : 1.0);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor accent = m_state.favorites ? Palette::favoriteRed() : Palette::accent();
    const QColor ink = m_state.active ? QColor(Qt::white) : Palette::ink().resolve(this);
    painter.setPen(m_state.active ? Qt::NoPen : QPen(Panel::hairline().resolve(this), 0.5));
    painter.setBrush(m_state.active ? accent : Panel::box().resolve(this));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);

    double x = kPadding;
    const double midY = height() / 2.0;
    const QColor symbolColour = m_state.active || !m_state.favorites ? ink : accent;
    drawSymbol(painter, QRectF(x, midY - kSymbolSize / 2, kSymbolSize, kSymbolSize), m_state.symbol,
               symbolColour);
    x += kSymbolSize + kGap;
    const QString shownName = name();
    painter.setFont(nameFont(m_state.active));
    painter.setPen(ink);
    const double nameWidth = painter.fontMetrics().horizontalAdvance(shownName);
    painter.drawText(QRectF(x, 0, nameWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     shownName);
    x += nameWidth + kGap;
    painter.setFont(countFont());
    QColor countColour = ink;
    countColour.setAlphaF(m_state.active ? 0.85f : 0.6f);
    painter.setPen(countColour);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     QString::number(m_state.count));
}

} // namespace ks
