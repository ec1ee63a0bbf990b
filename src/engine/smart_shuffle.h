#pragma once

#include "library/wallpaper.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ks {

namespace detail {

// A uniformly drawn number below `bound` (> 0). Rejection sampling keeps it unbiased, and
// because it is written out here (not a standard distribution, whose algorithm each library
// chooses) a seed gives the same numbers everywhere.
template <class Rng> std::uint64_t uniformBelow(Rng& rng, std::uint64_t bound) {
    using Result = typename Rng::result_type;
    constexpr std::uint64_t range = static_cast<std::uint64_t>(Rng::max() - Rng::min());
    static_assert(range == std::numeric_limits<std::uint64_t>::max() ||
                      range == std::numeric_limits<std::uint32_t>::max(),
                  "needs a generator of 32 or 64 random bits");
    const auto draw = [&rng]() -> std::uint64_t {
        if constexpr (range == std::numeric_limits<std::uint64_t>::max()) {
            return static_cast<std::uint64_t>(static_cast<Result>(rng() - Rng::min()));
        } else {
            const auto high = static_cast<std::uint64_t>(rng() - Rng::min());
            const auto low = static_cast<std::uint64_t>(rng() - Rng::min());
            return (high << 32) | low;
        }
    };
    // 2^64 mod bound values at the bottom would make the low results more likely.
    const std::uint64_t threshold = (0 - bound) % bound;
    for (;;) {
        const std::uint64_t value = draw();
        if (value >= threshold)
            return value % bound;
    }
}

} // namespace detail

// Fisher-Yates: every order of `list` is equally likely, and a seeded generator always gives
// the same order.
template <class Rng> void shuffleUniformly(std::vector<Wallpaper>& list, Rng& rng) {
    for (std::size_t i = list.size(); i > 1; --i) {
        const auto j = static_cast<std::size_t>(detail::uniformBelow(rng, i));
        if (j != i - 1)
            std::swap(list[i - 1], list[j]);
    }
}

// Walks the list front to back; where a wallpaper follows one of its own pack, it is swapped
// with the first later wallpaper of another pack, if any. Linear time.
void spreadPacks(std::vector<Wallpaper>& list);

// A new round of the playlist: shuffled, packs spread, and the wallpaper shown last (when it
// would open the round) moved to the end. Lists of fewer than three are only shuffled.
std::vector<Wallpaper> smartShuffled(std::vector<Wallpaper> list,
                                     const std::optional<std::string>& lastShownKey,
                                     std::mt19937_64& rng);

} // namespace ks
