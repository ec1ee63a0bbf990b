#include "ui/fan_view_model.h"

#include "library/pack.h"
#include "settings/settings_store.h"
#include "ui/pseudo_packs.h"

#include <algorithm>

namespace ks {

namespace {

constexpr const char* kInCollectionHelp = "In this collection — click to remove";

// The collection a pseudo-pack shows; none for a real pack.
std::optional<std::string> shownCollection(std::string_view packID) {
    if (packID == kFavoritesPackID)
        return std::string(SettingsStore::favoritesCollectionID);
    return collectionIDFromPackID(packID);
}

} // namespace

std::string fanSubtitle(std::string_view packID) {
    if (packID == kFavoritesPackID)
        return "Your favorites from every pack — click one to set it now";
    if (collectionIDFromPackID(packID))
        return "Untick a wallpaper to take it out of this collection — click one to set it now";
    return "Tick wallpapers to include them — click one to set it now";
}

bool fanShowsSelectAll(std::string_view packID) {
    return !shownCollection(packID);
}

bool everyWallpaperInRotation(const SettingsStore& settings, const Pack& pack) {
    return std::ranges::all_of(pack.wallpapers,
                               [&](const Wallpaper& w) { return settings.isInRotation(w); });
}

FanTick fanTick(const SettingsStore& settings, std::string_view packID,
                const Wallpaper& wallpaper) {
    if (const auto collection = shownCollection(packID))
        return {settings.contains(wallpaper, *collection), kInCollectionHelp};
    const bool checked = settings.isInRotation(wallpaper);
    return {checked, checked ? "In rotation — click to remove" : "Click to include in rotation"};
}

void toggleFanTick(SettingsStore& settings, std::string_view packID, const Wallpaper& wallpaper) {
    if (const auto collection = shownCollection(packID))
        settings.toggle(wallpaper, *collection);
    else
        settings.toggleWallpaper(wallpaper);
}

FanTileLook fanTileLook(const SettingsStore& settings, const Wallpaper& wallpaper, bool hovering) {
    FanTileLook look;
    look.opacity = settings.isInRotation(wallpaper) ? 1 : 0.55;
    look.favorite = settings.isFavorite(wallpaper);
    const std::string key = wallpaper.key();
    look.inCollection = std::ranges::any_of(settings.collections(), [&](const auto& collection) {
        return std::ranges::find(collection.wallpapers, key) != collection.wallpapers.end();
    });
    look.showsBadges = hovering || look.favorite || look.inCollection;
    look.favoriteSymbol = look.favorite ? "heart.fill" : "heart";
    look.favoriteHelp = look.favorite ? "Unfavorite" : "Favorite";
    look.collectionSymbol = look.inCollection ? "square.stack.fill" : "plus";
    look.collectionHelp =
        look.inCollection ? "In a collection — click to change" : "Add to a collection";
    return look;
}

} // namespace ks
