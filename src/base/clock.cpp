#include "base/clock.h"

#include <algorithm>

namespace ks {

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

namespace {
constexpr Seconds kLongestDelay{100.0 * 365 * 24 * 60 * 60};
}

Seconds sanitizedDelay(Seconds delay) {
    if (!(delay.count() > 0)) // also catches NaN
        return Seconds{0};
    return std::min(delay, kLongestDelay);
}

Seconds sanitizedInterval(Seconds interval) {
    return std::max(sanitizedDelay(interval), Seconds{0.001});
}

} // namespace ks
