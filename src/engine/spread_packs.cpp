#include "engine/smart_shuffle.h"

#include <algorithm>
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

} // namespace

// The walk swaps position i with the first later position j whose pack differs from i-1's;
// everything between i+1 and j then holds i-1's pack, and so does j after the swap. So when
// a later step finds two of a pack side by side, the positions up to the last swap's j hold
// that same pack and the search can start after it: every position is searched at most
// once, and the swaps are the plain walk's.
void spreadPacks(std::vector<Wallpaper>& list) {
    const std::size_t n = list.size();
    if (n < 3)
        return;
    std::vector<std::uint32_t> pack = internedPacks(list);
    std::size_t searched = 0; // from the last swap's i+1 up to here: the pack it moved on
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (pack[i] != pack[i - 1])
            continue;
        std::size_t j = std::max(searched, i + 1);
        while (j < n && pack[j] == pack[i - 1])
            ++j;
        // Nothing of another pack is left: no later step can swap either.
        if (j == n)
            return;
        std::swap(list[i], list[j]);
        std::swap(pack[i], pack[j]);
        searched = j + 1;
    }
}

} // namespace ks
