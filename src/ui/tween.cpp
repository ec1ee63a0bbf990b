#include "ui/tween.h"

namespace ks {

void Tween::animateTo(double target, const MotionCurve& curve, double now) {
    m_from = value(now);
    m_to = target;
    m_start = now;
    m_curve = curve;
    m_moving = true;
}

void Tween::retarget(double target) {
    m_to = target;
    if (!m_moving)
        m_from = target;
}

double Tween::value(double now) const {
    if (!m_moving)
        return m_to;
    const double p = m_curve.progress(now - m_start);
    return m_from + (m_to - m_from) * p;
}

bool Tween::settled(double now) const {
    return !m_moving || now - m_start >= m_curve.settleTime();
}

} // namespace ks
