#include "ui/segmented.h"

#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/selection_ring.h"
#include "ui/step_keys.h"
#include "ui/symbol_icons.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr double kHeight = 24;
constexpr double kInset = 2;
constexpr double kRadius = 7;
constexpr double kPillRadius = 5.5;
constexpr double kSymbolSize = 11;
constexpr double kSymbolGap = 4;
constexpr double kLabelPoints = 12;
constexpr double kSegmentPadding = 12;

// The groove and the pill; in the dark appearance the ink is light, so a white pill would
// swallow the selected label: both become dark greys there.
const AdaptiveColor& groove() {
    static const AdaptiveColor colour{QColor::fromRgbF(0.925f, 0.925f, 0.925f),
                                      QColor(255, 255, 255, 20)};
    return colour;
}

const AdaptiveColor& pill() {
    static const AdaptiveColor colour{QColor(Qt::white), hex(0x4A4743)};
    return colour;
}

QFont labelFont(bool selected) {
    return dsFont(kLabelPoints, selected ? QFont::DemiBold : QFont::Normal);
}

} // namespace

Segmented::Segmented(std::vector<SegmentOption> options, QWidget* parent)
    : QWidget(parent), m_options(std::move(options)), m_selected(m_options.empty() ? -1 : 0),
      m_pill(0), m_animation(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_pill = value.toDouble();
        update();
    });
}

void Segmented::setSelectedIndex(int index) {
    if (index < 0 || index >= static_cast<int>(m_options.size()) || index == m_selected)
        return;
    m_selected = index;
    m_animation->stop();
    if (isVisible()) {
        m_animation->setStartValue(m_pill);
        m_animation->setEndValue(double(index));
        m_animation->start();
    } else {
        m_pill = index;
    }
    update();
}

void Segmented::setOnSelect(std::function<void(int)> onSelect) {
    m_onSelect = std::move(onSelect);
}

double Segmented::segmentWidth() const {
    return m_options.empty() ? 0 : (width() - 2 * kInset) / double(m_options.size());
}

QRectF Segmented::pillRect() const {
    if (m_options.empty())
        return {};
    return {kInset + m_pill * segmentWidth(), kInset, segmentWidth(), height() - 2 * kInset};
}

int Segmented::segmentAt(double x) const {
    const double segment = segmentWidth();
    if (segment <= 0)
        return -1;
    const int index = static_cast<int>(std::floor((x - kInset) / segment));
    return std::clamp(index, 0, static_cast<int>(m_options.size()) - 1);
}

double Segmented::contentWidth(const SegmentOption& option, bool selected) const {
    double width = QFontMetricsF(labelFont(selected)).horizontalAdvance(option.label);
    if (!option.symbol.empty())
        width += kSymbolSize + (option.label.isEmpty() ? 0 : kSymbolGap);
    return width;
}

QSize Segmented::sizeHint() const {
    double widest = 0;
    for (const SegmentOption& option : m_options)
        widest = std::max(widest, contentWidth(option, true));
    const double width = 2 * kInset + double(m_options.size()) * (widest + 2 * kSegmentPadding);
    return {static_cast<int>(std::ceil(width)), static_cast<int>(kHeight)};
}

QSize Segmented::minimumSizeHint() const {
    return sizeHint();
}

void Segmented::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(groove().resolve(this));
    painter.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
    if (m_options.empty())
        return;

    // The pill, over a 15 % black shadow of 1.5 pt a point below.
    const QRectF pillArea = pillRect();
    painter.setBrush(QColor(0, 0, 0, 18));
    painter.drawRoundedRect(pillArea.translated(0, 1).adjusted(-0.75, -0.75, 0.75, 0.75),
                            kPillRadius + 0.75, kPillRadius + 0.75);
    painter.setBrush(QColor(0, 0, 0, 20));
    painter.drawRoundedRect(pillArea.translated(0, 0.75), kPillRadius, kPillRadius);
    painter.setBrush(pill().resolve(this));
    painter.drawRoundedRect(pillArea, kPillRadius, kPillRadius);

    const QColor ink = Palette::ink().resolve(this);
    const double segment = segmentWidth();
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const SegmentOption& option = m_options[i];
        const bool selected = static_cast<int>(i) == m_selected;
        const QRectF area(kInset + double(i) * segment, kInset, segment, height() - 2 * kInset);
        const double content = std::min(contentWidth(option, selected), area.width());
        double x = area.center().x() - content / 2;
        if (!option.symbol.empty()) {
            const QRectF symbol(x, area.center().y() - kSymbolSize / 2, kSymbolSize, kSymbolSize);
            drawSymbol(painter, symbol, option.symbol, ink);
            x += kSymbolSize + kSymbolGap;
        }
        if (option.label.isEmpty())
            continue;
        const QFont font = labelFont(selected);
        const QFontMetricsF metrics(font);
        const QRectF text(x, area.top(), area.right() - x, area.height());
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(option.label, Qt::ElideRight, text.width()));
        painter.setPen(Qt::NoPen);
    }
    if (hasFocus())
        paintFocusRing(painter, QRectF(rect()), kRadius);
}

void Segmented::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    choose(segmentAt(event->position().x()));
}

void Segmented::keyPressEvent(QKeyEvent* event) {
    if (const auto index =
            steppedIndexForKey(*event, m_selected, static_cast<int>(m_options.size())))
        choose(*index);
    else
        QWidget::keyPressEvent(event);
}

void Segmented::choose(int index) {
    if (index < 0 || index == m_selected)
        return;
    setSelectedIndex(index);
    if (m_onSelect)
        m_onSelect(index);
}

} // namespace ks
