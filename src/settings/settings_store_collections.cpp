#include "library/unicode_text.h"
#include "library/wallpaper.h"
#include "settings/settings_store.h"
#include "settings/uuid.h"

#include <algorithm>

namespace ks {

namespace {

constexpr std::string_view kFavoritesName = "Favorites";
constexpr std::string_view kDefaultNamePrefix = "Collection ";

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return unicode::toLower(a) == unicode::toLower(b);
}

} // namespace

const WallpaperCollection* SettingsStore::findCollection(std::string_view id) const {
    const auto it = std::find_if(m_collections.begin(), m_collections.end(),
                                 [&](const WallpaperCollection& c) { return c.id == id; });
    return it == m_collections.end() ? nullptr : &*it;
}

std::vector<WallpaperCollection> SettingsStore::allCollections() const {
    std::vector<WallpaperCollection> all;
    all.reserve(m_collections.size() + 1);
    all.push_back({std::string(favoritesCollectionID), std::string(kFavoritesName),
                   std::vector<std::string>(m_favorites.begin(), m_favorites.end())});
    all.insert(all.end(), m_collections.begin(), m_collections.end());
    return all;
}

std::optional<WallpaperCollection> SettingsStore::collection(std::string_view id) const {
    if (id == favoritesCollectionID)
        return allCollections().front();
    if (const WallpaperCollection* found = findCollection(id))
        return *found;
    return std::nullopt;
}

KeySet SettingsStore::wallpaperKeys(std::string_view id) const {
    if (id == favoritesCollectionID)
        return m_favorites;
    if (const WallpaperCollection* found = findCollection(id))
        return KeySet(found->wallpapers.begin(), found->wallpapers.end());
    return {};
}

bool SettingsStore::contains(const Wallpaper& w, std::string_view id) const {
    if (id == favoritesCollectionID)
        return isFavorite(w);
    const WallpaperCollection* found = findCollection(id);
    return found && std::find(found->wallpapers.begin(), found->wallpapers.end(), w.key()) !=
                        found->wallpapers.end();
}

void SettingsStore::toggle(const Wallpaper& w, std::string_view id) {
    if (id == favoritesCollectionID) {
        toggleFavorite(w);
        return;
    }
    if (!findCollection(id))
        return;
    std::vector<WallpaperCollection> collections = m_collections;
    auto& keys =
        std::find_if(collections.begin(), collections.end(), [&](const WallpaperCollection& c) {
            return c.id == id;
        })->wallpapers;
    const std::string key = w.key();
    const auto it = std::find(keys.begin(), keys.end(), key);
    if (it != keys.end())
        keys.erase(it);
    else
        keys.push_back(key);
    setCollections(std::move(collections));
}

std::string SettingsStore::nextCollectionName() const {
    std::size_t n = m_collections.size() + 1;
    const auto taken = [&](std::size_t number) {
        const std::string name = std::string(kDefaultNamePrefix) + std::to_string(number);
        return std::any_of(m_collections.begin(), m_collections.end(),
                           [&](const WallpaperCollection& c) { return c.name == name; });
    };
    while (taken(n))
        ++n;
    return std::string(kDefaultNamePrefix) + std::to_string(n);
}

WallpaperCollection SettingsStore::createCollection(std::string_view name,
                                                    std::vector<std::string> keys) {
    std::string base(unicode::trimWhitespace(name));
    if (base.empty())
        base = nextCollectionName();

    // The favourites take part, so no collection can look like the built-in one.
    const std::vector<WallpaperCollection> existing = allCollections();
    const auto taken = [&](const std::string& candidate) {
        return std::any_of(existing.begin(), existing.end(), [&](const WallpaperCollection& c) {
            return sameNameIgnoringCase(c.name, candidate);
        });
    };
    std::string candidate = base;
    for (std::size_t k = 2; taken(candidate); ++k)
        candidate = base + " " + std::to_string(k);

    WallpaperCollection created{makeUUID(), std::move(candidate), std::move(keys)};
    std::vector<WallpaperCollection> collections = m_collections;
    collections.push_back(created);
    setCollections(std::move(collections));
    return created;
}

void SettingsStore::renameCollection(std::string_view id, std::string_view name) {
    const std::string trimmed(unicode::trimWhitespace(name));
    if (trimmed.empty() || !findCollection(id))
        return;
    std::vector<WallpaperCollection> collections = m_collections;
    std::find_if(collections.begin(), collections.end(), [&](const WallpaperCollection& c) {
        return c.id == id;
    })->name = trimmed;
    setCollections(std::move(collections));
}

void SettingsStore::deleteCollection(std::string_view id) {
    std::vector<WallpaperCollection> collections = m_collections;
    std::erase_if(collections, [&](const WallpaperCollection& c) { return c.id == id; });
    setCollections(std::move(collections));
    if (m_rotationCollectionID && *m_rotationCollectionID == id)
        setRotationCollectionID(std::nullopt);
}

void SettingsStore::toggleRotation(std::string_view id) {
    if (m_rotationCollectionID && *m_rotationCollectionID == id)
        setRotationCollectionID(std::nullopt);
    else
        setRotationCollectionID(std::string(id));
}

} // namespace ks
