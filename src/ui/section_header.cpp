#include "ui/section_header.h"

#include "ui/ds_font.h"
#include "ui/palette.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace ks {

namespace {

// A one-line label painted in a palette colour resolved at every paint, so it follows the
// window's appearance; shrinks down to `minimumScale` of its font before it elides the tail.
class HeaderLabel : public QLabel {
public:
    HeaderLabel(const QString& text, double points, QFont::Weight weight,
                const AdaptiveColor& colour, double opacity, double minimumScale, QWidget* parent)
        : QLabel(text, parent), m_points(points), m_weight(weight), m_colour(colour),
          m_opacity(opacity), m_minimumScale(minimumScale) {
        setFont(dsFont(points, weight));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    // Narrower than its text is fine: it shrinks and elides.
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QFont font = this->font();
        const double available = contentsRect().width();
        const double full = QFontMetricsF(font).horizontalAdvance(text());
        if (full > available && m_minimumScale < 1) {
            const double scale = std::max(m_minimumScale, available / full);
            font = dsFont(m_points * scale, m_weight);
        }
        const QFontMetricsF metrics(font);
        const QString shown = metrics.elidedText(text(), Qt::ElideRight, available);
        QColor colour = m_colour.resolve(this);
        colour.setAlphaF(colour.alphaF() * static_cast<float>(m_opacity));
        painter.setFont(font);
        painter.setPen(colour);
        const Qt::Alignment horizontal =
            layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
        painter.drawText(contentsRect(), horizontal | Qt::AlignVCenter, shown);
    }

private:
    double m_points;
    QFont::Weight m_weight;
    const AdaptiveColor& m_colour;
    double m_opacity;
    double m_minimumScale;
};

} // namespace

SectionHeader::SectionHeader(const QString& title, QWidget* parent)
    : QWidget(parent),
      m_title(new HeaderLabel(title, 13, QFont::DemiBold, Palette::ink(), 1, 1, this)),
      m_detail(new HeaderLabel({}, 12, QFont::Normal, Palette::ink2(), 1, 1, this)),
      m_subtitle(new HeaderLabel({}, 10.5, QFont::Normal, Panel::secondary(), 0.85, 0.85, this)),
      m_firstLine(new QHBoxLayout) {
    m_title->setObjectName(QStringLiteral("sectionTitle"));
    m_detail->setObjectName(QStringLiteral("sectionDetail"));
    m_subtitle->setObjectName(QStringLiteral("sectionSubtitle"));
    m_detail->hide();
    m_subtitle->hide();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 0, 0, 0);
    column->setSpacing(2);
    m_firstLine->setContentsMargins(0, 0, 0, 0);
    m_firstLine->setSpacing(6);
    m_firstLine->addWidget(m_title);
    m_firstLine->addWidget(m_detail);
    m_firstLine->addStretch(1);
    column->addLayout(m_firstLine);
    column->addWidget(m_subtitle);
}

void SectionHeader::setDetail(const QString& detail) {
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

void SectionHeader::setSubtitle(const QString& subtitle) {
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void SectionHeader::setTrailing(QWidget* trailing) {
    if (trailing == m_trailing)
        return;
    delete m_trailing;
    m_trailing = trailing;
    if (trailing)
        m_firstLine->addWidget(trailing, 0, Qt::AlignVCenter);
}

QString SectionHeader::detail() const {
    return m_detail->text();
}

QString SectionHeader::subtitle() const {
    return m_subtitle->text();
}

} // namespace ks
