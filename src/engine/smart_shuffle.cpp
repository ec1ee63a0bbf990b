#include "engine/smart_shuffle.h"

#include <string_view>
#include <unordered_map>

namespace ks {

namespace {

// Pack identifiers as small numbers, so the walk below compares integers, not strings.
std::vector<std::uint32_t> internedPacks(const std::vector<Wallpaper>& list) {
    std::unordered_map<std::string_view, std::uint32_t> numbers;
    numbers.reserve(list.size());
    std::vector<std::uint32_t> packs;
    packs.reserve(list.size());
    for (const Wallpaper& w : list) {
        const auto next = static_cast<std::uint32_t>(numbers.size());
        packs.push_back(numbers.try_emplace(w.packID, next).first->second);
    }
    return packs;
}

bool hasKey(const Wallpaper& w, const std::string& key) {
    return key.size() == w.packID.size() + 1 + w.fileName.size() &&
           key.compare(0, w.packID.size(), w.packID) == 0 && key[w.packID.size()] == '/' &&
           key.compare(w.packID.size() + 1, std::string::npos, w.fileName) == 0;
}

} // namespace

// The walk swaps position i with the first later position j of another pack than i-1's.
// Positions i+1..j-1 then all hold i-1's pack, and after the swap i+1..j do: so at every
// step the positions not yet final are a run of one pack (the "block", kept here as a
// queue) followed by an untouched stretch of the input. A swap takes the block's front to
// its back, appends the input's same-pack wallpapers before j, and makes j's wallpaper final.
// That is the same result as the walk over positions, without rescanning the block.
void spreadPacks(std::vector<Wallpaper>& list) {
    const std::size_t n = list.size();
    if (n < 3)
        return;
    const std::vector<std::uint32_t> pack = internedPacks(list);

    // runEnd[k]: the first input position after k whose pack differs from k's, or n.
    std::vector<std::size_t> runEnd(n);
    runEnd[n - 1] = n;
    for (std::size_t k = n - 1; k-- > 0;)
        runEnd[k] = pack[k + 1] == pack[k] ? runEnd[k + 1] : k + 1;

    std::vector<std::size_t> order;
    order.reserve(n);
    // The block as a queue of input positions: each input position enters it once from the
    // stretch and at most once more per swap, so 2n slots suffice.
    std::vector<std::size_t> block;
    block.reserve(2 * n);
    std::size_t blockFront = 0;
    std::size_t next = 1; // start of the untouched stretch
    order.push_back(0);
    std::uint32_t previous = pack[0];

    while (order.size() < n) {
        if (blockFront == block.size()) {
            if (pack[next] != previous) {
                order.push_back(next);
                previous = pack[next++];
                continue;
            }
            block.push_back(next++);
        }
        const std::size_t front = block[blockFront];
        if (pack[front] != previous) {
            order.push_back(front);
            previous = pack[front];
            ++blockFront;
            continue;
        }
        const std::size_t other = next >= n ? n : (pack[next] != previous ? next : runEnd[next]);
        if (other >= n) {
            // Nothing of another pack is left: the rest stays as it stands.
            order.insert(order.end(), block.begin() + static_cast<std::ptrdiff_t>(blockFront),
                         block.end());
            for (; next < n; ++next)
                order.push_back(next);
            break;
        }
        ++blockFront;
        for (; next < other; ++next)
            block.push_back(next);
        block.push_back(front);
        order.push_back(other);
        previous = pack[other];
        next = other + 1;
    }

    std::vector<Wallpaper> spread;
    spread.reserve(n);
    for (const std::size_t k : order)
        spread.push_back(std::move(list[k]));
    list = std::move(spread);
}

std::vector<Wallpaper> smartShuffled(std::vector<Wallpaper> list,
                                     const std::optional<std::string>& lastShownKey,
                                     std::mt19937_64& rng) {
    shuffleUniformly(list, rng);
    if (list.size() < 3)
        return list;
    spreadPacks(list);
    if (lastShownKey && hasKey(list.front(), *lastShownKey))
        std::swap(list.front(), list.back());
    return list;
}

} // namespace ks
