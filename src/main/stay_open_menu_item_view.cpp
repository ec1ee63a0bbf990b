#include "main/stay_open_menu_item_view.h"

#include "ui/qt_text.h"
#include "ui/symbol_icons.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace ks {

namespace {

constexpr int kSymbolX = 13;
constexpr int kTitleX = 35;
constexpr int kTextY = 2;
constexpr int kTextHeight = 17;
constexpr int kShortcutRight = 16;
constexpr int kChevronReserve = 30;
constexpr int kHighlightInset = 5;
constexpr qreal kHighlightRadius = 4;
// The glyph inside the 16-point symbol box, as tall as the menu's letters.
constexpr qreal kGlyph = 14;
constexpr qreal kChevronGlyph = 10;

QColor withAlpha(QColor colour, qreal alpha) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * alpha));
    return colour;
}

int shortcutWidth(const QFont& font, const MenuRow& row) {
    if (row.shortcut.empty() || row.shortcut == kSubmenuMark)
        return 0;
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(qtext(row.shortcut))));
}

} // namespace

StayOpenMenuItemView::Parts StayOpenMenuItemView::partsFor(int width, int shortcutWidth,
                                                           bool chevron) {
    Parts parts;
    parts.symbol = QRect(kSymbolX, 3, 16, 16);
    int reserve = kShortcutRight;
    if (chevron) {
        parts.chevron = QRect(width - 26, 5, 10, 12);
        reserve = kChevronReserve;
    } else if (shortcutWidth > 0) {
        parts.shortcut =
            QRect(width - kShortcutRight - shortcutWidth, kTextY, shortcutWidth, kTextHeight);
        reserve = shortcutWidth + 26;
    }
    parts.title = QRect(kTitleX, kTextY, std::max(0, width - kTitleX - reserve), kTextHeight);
    return parts;
}

StayOpenMenuItemView::StayOpenMenuItemView(StatusMenu& menu, MenuRowID id, QWidget* parent)
    : QWidget(parent), m_menu(menu), m_id(id), m_row(menu.row(id)) {
    setObjectName(menuRowObjectName(id));
    setFont(QApplication::font("QMenu"));
    setFixedSize(kWidth, kHeight);
}

StayOpenMenuItemView::Parts StayOpenMenuItemView::parts() const {
    return partsFor(width(), shortcutWidth(font(), m_row), opensSubmenu());
}

int StayOpenMenuItemView::naturalWidth() const {
    const int title =
        static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(qtext(m_row.title))));
    const int shortcut = shortcutWidth(font(), m_row);
    const int reserve = opensSubmenu() ? kChevronReserve
                        : shortcut > 0 ? shortcut + 26
                                       : kShortcutRight;
    return kTitleX + title + reserve;
}

void StayOpenMenuItemView::setRow(const MenuRow& row) {
    const bool shown =
        row.title != m_row.title || row.symbol != m_row.symbol || row.shortcut != m_row.shortcut;
    m_row = row;
    if (shown)
        update();
}

void StayOpenMenuItemView::setHighlighted(bool highlighted) {
    highlighted = highlighted && clickable();
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void StayOpenMenuItemView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const Parts at = parts();
    QColor text = colours.color(QPalette::WindowText);
    QColor tertiary = colours.color(QPalette::PlaceholderText);
    QColor chevron = tertiary;
    if (m_highlighted) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours.color(QPalette::Highlight));
        painter.drawRoundedRect(QRectF(rect()).adjusted(kHighlightInset, 0, -kHighlightInset, 0),
                                kHighlightRadius, kHighlightRadius);
        text = colours.color(QPalette::HighlightedText);
        tertiary = withAlpha(text, 0.7);
        chevron = withAlpha(text, 0.85);
    }

    if (!m_row.symbol.empty()) {
        const QPointF centre = QRectF(at.symbol).center();
        drawSymbol(painter,
                   QRectF(centre.x() - kGlyph / 2, centre.y() - kGlyph / 2, kGlyph, kGlyph),
                   m_row.symbol, text);
    }
    const QFontMetrics metrics(font());
    painter.setPen(text);
    painter.drawText(at.title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(qtext(m_row.title), Qt::ElideRight, at.title.width()));
    if (!at.shortcut.isEmpty()) {
        painter.setPen(tertiary);
        painter.drawText(at.shortcut, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         qtext(m_row.shortcut));
    }
    if (!at.chevron.isEmpty()) {
        const QPointF centre = QRectF(at.chevron).center();
        drawSymbol(painter,
                   QRectF(centre.x() - kChevronGlyph / 2, centre.y() - kChevronGlyph / 2,
                          kChevronGlyph, kChevronGlyph),
                   "chevron.right", chevron);
    }
}

void StayOpenMenuItemView::enterEvent(QEnterEvent*) {
    if (onEnter)
        onEnter(*this);
}

void StayOpenMenuItemView::leaveEvent(QEvent*) {
    if (onLeave)
        onLeave(*this);
}

void StayOpenMenuItemView::mousePressEvent(QMouseEvent* event) {
    // Only a press on the row itself counts: the release of the click that opened the popup
    // must not choose the row that came to lie under the pointer.
    m_pressed = event->button() == Qt::LeftButton && clickable();
    event->accept();
}

void StayOpenMenuItemView::mouseReleaseEvent(QMouseEvent* event) {
    const bool chosen = m_pressed && event->button() == Qt::LeftButton &&
                        rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (!chosen)
        return;
    if (opensSubmenu()) {
        if (onOpenSubmenu)
            onOpenSubmenu(*this);
        return;
    }
    m_menu.click(m_id);
}

} // namespace ks
