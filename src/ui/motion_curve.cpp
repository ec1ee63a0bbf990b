#include "ui/motion_curve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ks {

namespace {

constexpr double kRestTolerance = 0.001;

// The cubic Bézier (0, 0) (0, 0) (0.58, 1) (1, 1), the usual ease-out: the time fraction is
// inverted by bisection, which is monotonic here and plenty fast for a few hundred values.
double easeOutAt(double t) {
    constexpr double x2 = 0.58;
    const auto bezier = [](double a, double b, double s) {
        const double r = 1 - s;
        return 3 * r * r * s * a + 3 * r * s * s * b + s * s * s;
    };
    double lo = 0;
    double hi = 1;
    for (int i = 0; i < 30; ++i) {
        const double mid = (lo + hi) / 2;
        (bezier(0, x2, mid) < t ? lo : hi) = mid;
    }
    return bezier(0, 1, (lo + hi) / 2);
}

double springAt(double t, double response, double damping) {
    const double omega = 2 * std::numbers::pi / response;
    if (damping >= 1)
        return 1 - (1 + omega * t) * std::exp(-omega * t);
    const double decay = damping * omega;
    const double swing = omega * std::sqrt(1 - damping * damping);
    return 1 - std::exp(-decay * t) * (std::cos(swing * t) + decay / swing * std::sin(swing * t));
}

double springSettle(double response, double damping) {
    const double omega = 2 * std::numbers::pi / response;
    if (damping >= 1) {
        // (1 + ωt)e^(−ωt) falls below the tolerance near ωt = 9.2.
        return 9.24 / omega;
    }
    // The envelope of the swing, 1/√(1 − ζ²) · e^(−ζωt), below the tolerance.
    const double amplitude = 1 / std::sqrt(1 - damping * damping);
    return std::log(amplitude / kRestTolerance) / (damping * omega);
}

} // namespace

MotionCurve MotionCurve::easeOut(double duration, double delay) {
    return {Kind::easeOut, duration, 1, delay};
}

MotionCurve MotionCurve::spring(double response, double damping, double delay) {
    return {Kind::spring, response, damping, delay};
}

double MotionCurve::settleTime() const {
    const double length = duration <= 0           ? 0
                          : kind == Kind::easeOut ? duration
                                                  : springSettle(duration, std::max(damping, 0.01));
    return std::max(delay, 0.0) + length;
}

double MotionCurve::progress(double elapsed) const {
    if (!(elapsed < settleTime()))
        return 1;
    const double t = elapsed - std::max(delay, 0.0);
    if (t <= 0)
        return 0;
    return kind == Kind::easeOut ? easeOutAt(t / duration)
                                 : springAt(t, duration, std::max(damping, 0.01));
}

} // namespace ks
