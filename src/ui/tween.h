#pragma once

#include "ui/motion_curve.h"

namespace ks {

// One animated number: where it is at any moment of a motion toward its target. Times are
// seconds on one monotonic clock, chosen by the owner.
class Tween {
public:
    Tween() = default;
    explicit Tween(double value) : m_from(value), m_to(value) {}

    // Heads for `target` from wherever the value is at `now`, so a motion turned around
    // midway does not jump.
    void animateTo(double target, const MotionCurve& curve, double now);
    // Moves the end of the motion under way (the layout changed) without starting it over;
    // at rest, the value goes there at once.
    void retarget(double target);

    double value(double now) const;
    double target() const { return m_to; }
    bool settled(double now) const;

private:
    double m_from = 0;
    double m_to = 0;
    double m_start = 0;
    MotionCurve m_curve;
    bool m_moving = false;
};

} // namespace ks
