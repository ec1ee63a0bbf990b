#include "engine/smart_shuffle.h"

namespace ks {

namespace {

bool hasKey(const Wallpaper& w, const std::string& key) {
    return key.size() == w.packID.size() + 1 + w.fileName.size() &&
           key.compare(0, w.packID.size(), w.packID) == 0 && key[w.packID.size()] == '/' &&
           key.compare(w.packID.size() + 1, std::string::npos, w.fileName) == 0;
}

} // namespace

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
