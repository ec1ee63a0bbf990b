#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks {

class Library;
class SettingsStore;
struct Pack;
struct Wallpaper;

// What the pack browser shows for a pack, the favourites or a collection, from the store
// alone, so the overlay only draws it.

std::string fanSubtitle(std::string_view packID);
// Only a real pack offers "Select all": a collection's ticks are its membership.
bool fanShowsSelectAll(std::string_view packID);
bool everyWallpaperInRotation(const SettingsStore& settings, const Pack& pack);

// A wallpaper's tick: in rotation for a real pack, in the collection for the favourites and
// the collections.
struct FanTick {
    bool checked = false;
    std::string help;
};
FanTick fanTick(const SettingsStore& settings, std::string_view packID, const Wallpaper& wallpaper);
void toggleFanTick(SettingsStore& settings, std::string_view packID, const Wallpaper& wallpaper);

// A wallpaper tile's look: faded out of rotation, its two badges while the pointer is over
// it or while it is a favourite or in a collection.
struct FanTileLook {
    double opacity = 1;
    bool showsBadges = false;
    bool favorite = false;
    bool inCollection = false;
    std::string favoriteSymbol;
    std::string favoriteHelp;
    std::string collectionSymbol;
    std::string collectionHelp;
};
FanTileLook fanTileLook(const SettingsStore& settings, const Wallpaper& wallpaper, bool hovering);

} // namespace ks
