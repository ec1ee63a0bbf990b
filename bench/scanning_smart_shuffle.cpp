// The smart shuffle with the plain pack-spreading walk that rescans for every swap, linked
// into a copy of the engine in place of the real one: the baseline of the engine benchmark.

#include "engine/smart_shuffle.h"
#include "engine/spread_packs_reference.h"

namespace ks {

void spreadPacks(std::vector<Wallpaper>& list) {
    test::spreadPacksByScanning(list);
}

std::vector<Wallpaper> smartShuffled(std::vector<Wallpaper> list,
                                     const std::optional<std::string>& lastShownKey,
                                     std::mt19937_64& rng) {
    shuffleUniformly(list, rng);
    if (list.size() < 3)
        return list;
    spreadPacks(list);
    if (lastShownKey && list.front().key() == *lastShownKey)
        std::swap(list.front(), list.back());
    return list;
}

} // namespace ks
