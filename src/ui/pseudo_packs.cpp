#include "ui/pseudo_packs.h"

#include "library/library.h"
#include "settings/settings_store.h"

#include <set>

namespace ks {

std::string collectionPackID(std::string_view collectionID) {
    if (collectionID == SettingsStore::favoritesCollectionID)
        return std::string(kFavoritesPackID);
    return std::string(kCollectionPackPrefix) + std::string(collectionID);
}

std::optional<std::string> collectionIDFromPackID(std::string_view packID) {
    if (packID == kFavoritesPackID)
        return std::string(SettingsStore::favoritesCollectionID);
    if (packID.starts_with(kCollectionPackPrefix))
        return std::string(packID.substr(kCollectionPackPrefix.size()));
    return std::nullopt;
}

Pack collectionPack(const WallpaperCollection& collection, const Library& library) {
    Pack pack{collectionPackID(collection.id), collection.name, {}, false, {}};
    const std::set<std::string> keys(collection.wallpapers.begin(), collection.wallpapers.end());
    for (const Wallpaper& w : library.allWallpapers())
        if (keys.contains(w.key()))
            pack.wallpapers.push_back(w);
    return pack;
}

} // namespace ks
