#include "ui/mini_toggle.h"

#include "ui/palette.h"
#include "ui/selection_ring.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace ks {

namespace {

constexpr double kTrackWidth = 30;
constexpr double kTrackHeight = 18;
constexpr double kKnobInset = 2;

} // namespace

MiniToggle::MiniToggle(QWidget* parent)
    : QWidget(parent), m_animation(new QVariantAnimation(this)) {
    setFixedSize(42, 26);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_animation->setDuration(250);
    m_animation->setEasingCurve(QEasingCurve::OutBack);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_knob = value.toDouble();
        update();
    });
    setToolTip(QStringLiteral("Select all wallpapers in this pack"));
}

void MiniToggle::setOn(bool on) {
    if (on == m_on)
        return;
    m_on = on;
    setToolTip(on ? QStringLiteral("Deselect all wallpapers in this pack")
                  : QStringLiteral("Select all wallpapers in this pack"));
    m_animation->stop();
    if (isVisible()) {
        m_animation->setStartValue(m_knob);
        m_animation->setEndValue(on ? 1.0 : 0.0);
        m_animation->start();
    } else {
        m_knob = on ? 1 : 0;
        update();
    }
}

void MiniToggle::setAction(std::function<void(bool)> action) {
    m_action = std::move(action);
}

void MiniToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(QPointF((width() - kTrackWidth) / 2, (height() - kTrackHeight) / 2),
                       QSizeF(kTrackWidth, kTrackHeight));
    // Black 12 % vanishes on a dark box, so the dark appearance's off track is a light veil.
    static const AdaptiveColor offTrack{QColor(0, 0, 0, 31), QColor(255, 255, 255, 41)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_on ? QColor(52, 199, 89, 191) : offTrack.resolve(this));
    painter.drawRoundedRect(track, kTrackHeight / 2, kTrackHeight / 2);

    const double knob = kTrackHeight - 2 * kKnobInset;
    const double travel = kTrackWidth - 2 * kKnobInset - knob;
    const QPointF centre(track.left() + kKnobInset + knob / 2 + m_knob * travel,
                         track.center().y());
    // A 1.5 pt blur of 25 % black under the knob.
    painter.setBrush(QColor(0, 0, 0, 32));
    painter.drawEllipse(centre + QPointF(0, 0.5), knob / 2 + 0.75, knob / 2 + 0.75);
    painter.setBrush(QColor(0, 0, 0, 32));
    painter.drawEllipse(centre + QPointF(0, 0.5), knob / 2 + 0.25, knob / 2 + 0.25);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, knob / 2, knob / 2);
    if (hasFocus())
        paintFocusRing(painter, track.adjusted(-3, -3, 3, 3), kTrackHeight / 2 + 3);
}

void MiniToggle::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        // Held down, the key repeats: one flip per press.
        if (!event->isAutoRepeat() && m_action)
            m_action(!m_on);
        return;
    }
    QWidget::keyPressEvent(event);
}

void MiniToggle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        m_action)
        m_action(!m_on);
}

} // namespace ks
