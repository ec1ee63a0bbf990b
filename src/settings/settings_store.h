#pragma once

#include "base/notification_center.h"
#include "settings/appearance_filter.h"
#include "settings/pack_favorite_state.h"
#include "settings/user_defaults.h"
#include "settings/wallpaper_collection.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

class Library;
struct Pack;
struct Wallpaper;

// Pack identifiers or wallpaper keys; sorted, so their stored arrays come out the same way
// every time.
using KeySet = std::set<std::string>;

// The user's choices: loaded from the defaults database once, kept in memory, written back
// under their own key on every assignment. Assignments that change what rotates post
// kContentChanged, those that change when the next change is due post kTimingChanged, both
// synchronously. Lives on the main thread; takes no locks.
class SettingsStore {
public:
    // The selection that names no pack (an empty selection names every pack).
    static constexpr std::string_view nonePackSentinel = "__none__";
    // The favourites as a collection; never stored among `collections`.
    static constexpr std::string_view favoritesCollectionID = "__favorites__";

    SettingsStore(UserDefaults& defaults, NotificationCenter& center);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The application's store, set by its owner; asking before that aborts.
    static SettingsStore& shared();
    static void setShared(SettingsStore* store);

    // Calls `observer` after every assignment of a property below (also of an equal value),
    // for views that show them.
    [[nodiscard]] NotificationCenter::Observation observe(std::function<void()> observer);

    // Properties. Every setter stores the value, writes it, posts its notification if it
    // has one, and tells the observers.
    const KeySet& selectedPackIDs() const { return m_selectedPackIDs; }
    void setSelectedPackIDs(KeySet ids);
    AppearanceFilter appearance() const { return m_appearance; }
    void setAppearance(AppearanceFilter appearance);
    bool shuffle() const { return m_shuffle; }
    void setShuffle(bool shuffle);
    // Seconds between changes, or one of the DurationOption modes.
    double intervalSeconds() const { return m_intervalSeconds; }
    void setIntervalSeconds(double seconds);
    double crossfadeSeconds() const { return m_crossfadeSeconds; }
    void setCrossfadeSeconds(double seconds);
    // Minutes after local midnight of the daily change.
    std::int64_t dailyChangeMinutes() const { return m_dailyChangeMinutes; }
    void setDailyChangeMinutes(std::int64_t minutes);
    const KeySet& favorites() const { return m_favorites; }
    void setFavorites(KeySet keys);
    const KeySet& hiddenWallpapers() const { return m_hiddenWallpapers; }
    void setHiddenWallpapers(KeySet keys);
    // Wallpapers ticked on their own although their pack is not selected.
    const KeySet& includedWallpapers() const { return m_includedWallpapers; }
    void setIncludedWallpapers(KeySet keys);
    bool pauseOnBattery() const { return m_pauseOnBattery; }
    void setPauseOnBattery(bool pause);
    bool perDisplayWallpapers() const { return m_perDisplayWallpapers; }
    void setPerDisplayWallpapers(bool perDisplay);
    const std::vector<WallpaperCollection>& collections() const { return m_collections; }
    void setCollections(std::vector<WallpaperCollection> collections);
    // When set, only this collection (or the favourites) rotates instead of the packs.
    const std::optional<std::string>& rotationCollectionID() const {
        return m_rotationCollectionID;
    }
    void setRotationCollectionID(std::optional<std::string> id);
    const std::optional<std::string>& lastShownKey() const { return m_lastShownKey; }
    void setLastShownKey(std::optional<std::string> key);

    // Read from and written to the database on every access.
    bool hasShownWelcome() const;
    void setHasShownWelcome(bool shown);
    std::optional<std::string> originalWallpaperPath() const;
    void setOriginalWallpaperPath(std::optional<std::string> path);

    // Pack selection.
    bool isPackSelected(const std::string& id) const;
    bool allPacksSelected() const;
    void selectAllPacks();
    void toggleAllPacks();
    void setPack(const std::string& id, bool selected, const Library& library);
    void togglePack(const std::string& id, const Library& library);

    // Ticks of single wallpapers.
    bool isInRotation(const Wallpaper& w) const;
    void toggleWallpaper(const Wallpaper& w);
    bool isPackPartiallySelected(const Pack& pack) const;
    void selectAllWallpapers(const Pack& pack, const Library& library);
    void deselectAllWallpapers(const Pack& pack, const Library& library);

    // Favourites and hidden wallpapers.
    bool isFavorite(const Wallpaper& w) const;
    void toggleFavorite(const Wallpaper& w);
    bool isHidden(const Wallpaper& w) const;
    void toggleHidden(const Wallpaper& w);
    bool isPackFavorite(const Pack& pack) const;
    bool isPackPartiallyFavorite(const Pack& pack) const;
    PackFavoriteState packFavoriteState(const Pack& pack) const;
    void togglePackFavorite(const Pack& pack);

    // Collections; the favourites take part as the collection "__favorites__".
    std::vector<WallpaperCollection> allCollections() const;
    std::optional<WallpaperCollection> collection(std::string_view id) const;
    KeySet wallpaperKeys(std::string_view id) const;
    bool contains(const Wallpaper& w, std::string_view id) const;
    void toggle(const Wallpaper& w, std::string_view id);
    std::string nextCollectionName() const;
    WallpaperCollection createCollection(std::string_view name, std::vector<std::string> keys);
    void renameCollection(std::string_view id, std::string_view name);
    void deleteCollection(std::string_view id);
    void toggleRotation(std::string_view id);

private:
    enum class Posts { nothing, content, timing };

    void load();
    // What every assignment does once the new value is in place.
    void didAssign(std::string_view key, DefaultsValue stored, Posts posts);
    const WallpaperCollection* findCollection(std::string_view id) const;

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    NotificationCenter m_observers;
    bool m_loading = true;

    KeySet m_selectedPackIDs;
    AppearanceFilter m_appearance = AppearanceFilter::system;
    bool m_shuffle = true;
    double m_intervalSeconds = 300;
    double m_crossfadeSeconds = 1.5;
    std::int64_t m_dailyChangeMinutes = 480;
    KeySet m_favorites;
    KeySet m_hiddenWallpapers;
    KeySet m_includedWallpapers;
    bool m_pauseOnBattery = false;
    bool m_perDisplayWallpapers = false;
    std::vector<WallpaperCollection> m_collections;
    std::optional<std::string> m_rotationCollectionID;
    std::optional<std::string> m_lastShownKey;
};

} // namespace ks
