#include "library/pack.h"
#include "library/wallpaper.h"
#include "settings/settings_store.h"

#include <algorithm>

namespace ks {

namespace {

KeySet with(KeySet keys, const std::string& key) {
    keys.insert(key);
    return keys;
}

KeySet without(KeySet keys, const std::string& key) {
    keys.erase(key);
    return keys;
}

} // namespace

bool SettingsStore::isInRotation(const Wallpaper& w) const {
    const std::string key = w.key();
    // A wallpaper ticked on its own rotates even when it is also hidden.
    if (m_includedWallpapers.count(key))
        return true;
    if (!isPackSelected(w.packID))
        return false;
    return m_hiddenWallpapers.count(key) == 0;
}

void SettingsStore::toggleWallpaper(const Wallpaper& w) {
    const std::string key = w.key();
    if (isInRotation(w)) {
        if (m_includedWallpapers.count(key))
            setIncludedWallpapers(without(m_includedWallpapers, key));
        else
            setHiddenWallpapers(with(m_hiddenWallpapers, key));
        return;
    }
    setHiddenWallpapers(without(m_hiddenWallpapers, key));
    if (!isPackSelected(w.packID))
        setIncludedWallpapers(with(m_includedWallpapers, key));
}

bool SettingsStore::isPackPartiallySelected(const Pack& pack) const {
    if (isPackSelected(pack.id) || pack.wallpapers.empty())
        return false;
    return std::any_of(pack.wallpapers.begin(), pack.wallpapers.end(),
                       [&](const Wallpaper& w) { return m_includedWallpapers.count(w.key()) > 0; });
}

void SettingsStore::selectAllWallpapers(const Pack& pack, const Library& library) {
    for (const Wallpaper& w : pack.wallpapers) {
        const std::string key = w.key();
        setHiddenWallpapers(without(m_hiddenWallpapers, key));
        setIncludedWallpapers(without(m_includedWallpapers, key));
    }
    setPack(pack.id, true, library);
}

void SettingsStore::deselectAllWallpapers(const Pack& pack, const Library& library) {
    for (const Wallpaper& w : pack.wallpapers)
        setIncludedWallpapers(without(m_includedWallpapers, w.key()));
    setPack(pack.id, false, library);
}

bool SettingsStore::isFavorite(const Wallpaper& w) const {
    return m_favorites.count(w.key()) > 0;
}

void SettingsStore::toggleFavorite(const Wallpaper& w) {
    const std::string key = w.key();
    if (m_favorites.count(key)) {
        setFavorites(without(m_favorites, key));
        return;
    }
    setFavorites(with(m_favorites, key));
    setHiddenWallpapers(without(m_hiddenWallpapers, key));
}

bool SettingsStore::isHidden(const Wallpaper& w) const {
    return m_hiddenWallpapers.count(w.key()) > 0;
}

void SettingsStore::toggleHidden(const Wallpaper& w) {
    const std::string key = w.key();
    if (m_hiddenWallpapers.count(key)) {
        setHiddenWallpapers(without(m_hiddenWallpapers, key));
        return;
    }
    setHiddenWallpapers(with(m_hiddenWallpapers, key));
    setFavorites(without(m_favorites, key));
}

bool SettingsStore::isPackFavorite(const Pack& pack) const {
    return !pack.wallpapers.empty() &&
           std::all_of(pack.wallpapers.begin(), pack.wallpapers.end(),
                       [&](const Wallpaper& w) { return isFavorite(w); });
}

bool SettingsStore::isPackPartiallyFavorite(const Pack& pack) const {
    const auto favourites = std::count_if(pack.wallpapers.begin(), pack.wallpapers.end(),
                                          [&](const Wallpaper& w) { return isFavorite(w); });
    return favourites > 0 && static_cast<std::size_t>(favourites) < pack.wallpapers.size();
}

PackFavoriteState SettingsStore::packFavoriteState(const Pack& pack) const {
    if (isPackFavorite(pack))
        return PackFavoriteState::all;
    if (isPackPartiallyFavorite(pack))
        return PackFavoriteState::partial;
    return PackFavoriteState::none;
}

void SettingsStore::togglePackFavorite(const Pack& pack) {
    KeySet favorites = m_favorites;
    if (isPackFavorite(pack)) {
        for (const Wallpaper& w : pack.wallpapers)
            favorites.erase(w.key());
    } else {
        KeySet hidden = m_hiddenWallpapers;
        bool unhid = false;
        for (const Wallpaper& w : pack.wallpapers) {
            const std::string key = w.key();
            favorites.insert(key);
            unhid = hidden.erase(key) > 0 || unhid;
        }
        if (unhid)
            setHiddenWallpapers(std::move(hidden));
    }
    setFavorites(std::move(favorites));
}

} // namespace ks
