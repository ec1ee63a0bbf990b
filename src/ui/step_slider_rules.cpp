#include "ui/step_slider_rules.h"

#include <cmath>

namespace ks {

int nearestStepIndex(std::span<const double> steps, double value) {
    if (steps.size() < 2)
        return 0;
    int best = 0;
    double bestDistance = std::abs(steps[0] - value);
    for (std::size_t i = 1; i < steps.size(); ++i) {
        const double distance = std::abs(steps[i] - value);
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

int stepIndexAtPosition(double x, double width, double knobSize, std::size_t count) {
    if (count < 2)
        return 0;
    const double travel = width - knobSize;
    double fraction = travel > 0 ? (x - knobSize / 2) / travel : 0;
    // Written so that NaN lands on the first step rather than in a cast of NaN.
    if (!(fraction > 0))
        fraction = 0;
    if (fraction > 1)
        fraction = 1;
    return static_cast<int>(std::lround(fraction * static_cast<double>(count - 1)));
}

} // namespace ks
