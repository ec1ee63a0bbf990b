#include "library/vips_runtime.h"

#include <mutex>
#include <vips/vips.h>

namespace ks {

bool ensureVipsStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        started = vips_init("kestrane-wallpapers") == 0;
        if (started)
            vips_cache_set_max(0);
    });
    return started;
}

} // namespace ks
