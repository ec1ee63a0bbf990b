// The plain pack-spreading walk that rescans for every swap, linked into a copy of the engine
// in place of the linear one: the baseline of the engine benchmark.

#include "engine/smart_shuffle.h"
#include "engine/spread_packs_reference.h"

namespace ks {

void spreadPacks(std::vector<Wallpaper>& list) {
    test::spreadPacksByScanning(list);
}

} // namespace ks
