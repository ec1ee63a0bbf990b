#include "base/clock.h"

namespace ks {

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

} // namespace ks
