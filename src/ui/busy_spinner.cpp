#include "ui/busy_spinner.h"

#include "ui/palette.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace ks {

BusySpinner::BusySpinner(double diameter, QWidget* parent)
    : QWidget(parent), m_turn(std::make_unique<QVariantAnimation>()) {
    const int side = static_cast<int>(std::ceil(diameter));
    setFixedSize(side, side);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn.get(), &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_angle = v.toDouble();
        update();
    });
}

BusySpinner::~BusySpinner() = default;

bool BusySpinner::spinning() const {
    return m_turn->state() == QAbstractAnimation::Running;
}

void BusySpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_turn->start();
}

void BusySpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_turn->stop();
}

void BusySpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, width() / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = Panel::secondary().resolve(this);
    track.setAlphaF(0.25f);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(ring);
    painter.setPen(QPen(Panel::secondary().resolve(this), pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts sixteenths of a degree, counter-clockwise from three o'clock.
    painter.drawArc(ring, static_cast<int>(-m_angle * 16), 100 * 16);
}

} // namespace ks
