#include "ui/step_slider.h"

#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/selection_ring.h"
#include "ui/step_keys.h"
#include "ui/step_slider_rules.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr double kLabelGap = 4;
constexpr double kLabelPoints = 10.5;
// Room above and below the knob for its shadow.
constexpr double kShadowRoom = 2;

} // namespace

StepSlider::StepSlider(std::vector<double> steps, std::function<std::string(double)> labelFor,
                       double knobSize, double trackHeight, QWidget* parent)
    : QWidget(parent), m_steps(std::move(steps)), m_labelFor(std::move(labelFor)),
      m_knobSize(knobSize), m_trackHeight(trackHeight),
      m_value(m_steps.empty() ? 0 : m_steps.front()), m_animation(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Tab reaches it, a click does not take the focus: its ring shows only for the keyboard.
    setFocusPolicy(Qt::TabFocus);
    m_animation->setDuration(120);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_knob = value.toDouble();
        update();
    });
}

void StepSlider::setValue(double value) {
    m_value = value;
    moveKnob(currentIndex(), isVisible());
}

int StepSlider::currentIndex() const {
    return nearestStepIndex(m_steps, m_value);
}

void StepSlider::setOnValueChanged(std::function<void(double)> onValueChanged) {
    m_onValueChanged = std::move(onValueChanged);
}

double StepSlider::labelHeight() const {
    return QFontMetricsF(dsFont(kLabelPoints)).height();
}

QSize StepSlider::sizeHint() const {
    return {200, minimumSizeHint().height()};
}

QSize StepSlider::minimumSizeHint() const {
    const double height = kShadowRoom + m_knobSize + kLabelGap + labelHeight();
    return {static_cast<int>(std::ceil(m_knobSize * 2)), static_cast<int>(std::ceil(height))};
}

void StepSlider::moveKnob(int index, bool animated) {
    const double target =
        m_steps.size() < 2 ? 0 : static_cast<double>(index) / double(m_steps.size() - 1);
    m_animation->stop();
    if (animated && target != m_knob) {
        m_animation->setStartValue(m_knob);
        m_animation->setEndValue(target);
        m_animation->start();
    } else {
        m_knob = target;
        update();
    }
}

void StepSlider::pick(double x) {
    if (m_steps.empty())
        return;
    // The knob follows the pointer at once: an easing would lag behind the drag.
    choose(stepIndexAtPosition(x, width(), m_knobSize, m_steps.size()), false);
}

void StepSlider::choose(int index, bool animated) {
    moveKnob(index, animated);
    const double picked = m_steps[static_cast<std::size_t>(index)];
    if (picked == m_value)
        return;
    m_value = picked;
    if (m_onValueChanged)
        m_onValueChanged(picked);
}

void StepSlider::keyPressEvent(QKeyEvent* event) {
    if (const auto index =
            steppedIndexForKey(*event, currentIndex(), static_cast<int>(m_steps.size())))
        choose(*index, true);
    else
        QWidget::keyPressEvent(event);
}

void StepSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pick(event->position().x());
}

void StepSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        pick(event->position().x());
}

void StepSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const double knobRadius = m_knobSize / 2;
    const double centreY = kShadowRoom / 2 + knobRadius;
    const double travel = std::max(0.0, width() - m_knobSize);
    const double knobX = knobRadius + m_knob * travel;
    const double trackRadius = m_trackHeight / 2;
    const QRectF track(0, centreY - trackRadius, width(), m_trackHeight);

    painter.setBrush(Panel::track().resolve(this));
    painter.drawRoundedRect(track, trackRadius, trackRadius);
    // The fill runs a little under the knob so no track shows between them.
    QRectF fill = track;
    fill.setRight(std::max(knobX - knobRadius + 3, m_trackHeight));
    painter.setBrush(Palette::accent());
    painter.drawRoundedRect(fill, trackRadius, trackRadius);

    painter.setBrush(QColor(0, 0, 0, 31));
    if (m_steps.size() >= 2)
        for (std::size_t i = 0; i < m_steps.size(); ++i) {
            const double x = knobRadius + travel * double(i) / double(m_steps.size() - 1);
            painter.drawEllipse(QPointF(x, centreY), 1.5, 1.5);
        }

    // Knob: an 18 % black shadow of 1.5 pt a point below, then white with a fine outline.
    const QPointF knob(knobX, centreY);
    painter.setBrush(QColor(0, 0, 0, 20));
    painter.drawEllipse(knob + QPointF(0, 1), knobRadius + 1, knobRadius + 1);
    painter.setBrush(QColor(0, 0, 0, 26));
    painter.drawEllipse(knob + QPointF(0, 1), knobRadius + 0.25, knobRadius + 0.25);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 31), 0.5));
    painter.drawEllipse(knob, knobRadius - 0.25, knobRadius - 0.25);
    // Inside the knob: at either end a ring around it would be cut off by the widget's edge.
    if (hasFocus())
        paintFocusRing(painter,
                       QRectF(knob.x() - knobRadius, knob.y() - knobRadius, m_knobSize, m_knobSize),
                       knobRadius);

    if (m_steps.empty() || !m_labelFor)
        return;
    painter.setFont(dsFont(kLabelPoints));
    painter.setPen(Panel::secondary().resolve(this));
    const QRectF labels(0, kShadowRoom + m_knobSize + kLabelGap, width(), labelHeight());
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(m_labelFor(m_steps.front())));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignTop,
                     QString::fromStdString(m_labelFor(m_steps.back())));
}

} // namespace ks
