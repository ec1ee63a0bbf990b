#include "engine/smart_shuffle.h"
#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "platform/appearance.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <unordered_set>

namespace ks {

namespace {

enum class WantedVariant { light, dark, any };

WantedVariant wantedVariant(AppearanceFilter filter, const SystemAppearance& appearance) {
    switch (filter) {
    case AppearanceFilter::light:
        return WantedVariant::light;
    case AppearanceFilter::dark:
        return WantedVariant::dark;
    case AppearanceFilter::both:
        return WantedVariant::any;
    case AppearanceFilter::system:
        break;
    }
    return appearance.isDark() ? WantedVariant::dark : WantedVariant::light;
}

// Packs without variants are never filtered, and neutral pictures suit either look.
bool passesVariantRule(const Wallpaper& w, const Pack& pack, WantedVariant wanted) {
    if (wanted == WantedVariant::any || !pack.hasVariants || w.variant == Variant::neutral)
        return true;
    return w.variant == (wanted == WantedVariant::dark ? Variant::dark : Variant::light);
}

// Library order, each key once, keeping what `keep` accepts.
template <class Keep> std::vector<Wallpaper> walkPacks(const Library& library, Keep keep) {
    std::vector<Wallpaper> list;
    std::unordered_set<std::string> seen;
    for (const Pack& pack : library.packs()) {
        for (const Wallpaper& w : pack.wallpapers) {
            if (keep(w, pack) && seen.insert(w.key()).second)
                list.push_back(w);
        }
    }
    return list;
}

} // namespace

std::vector<Wallpaper> WallpaperEngine::rotationCandidates() const {
    const WantedVariant wanted = wantedVariant(m_settings.appearance(), m_appearance);

    std::vector<Wallpaper> list;
    if (const auto& collectionID = m_settings.rotationCollectionID()) {
        const KeySet keys = m_settings.wallpaperKeys(*collectionID);
        // A hidden wallpaper stays out even when the collection lists it.
        list = walkPacks(m_library, [&](const Wallpaper& w, const Pack& pack) {
            return keys.count(w.key()) && !m_settings.isHidden(w) &&
                   passesVariantRule(w, pack, wanted) && m_isAvailable(w);
        });
    }
    // A collection that yields nothing leaves the selected packs rotating.
    if (list.empty()) {
        list = walkPacks(m_library, [&](const Wallpaper& w, const Pack& pack) {
            return m_settings.isInRotation(w) && passesVariantRule(w, pack, wanted) &&
                   m_isAvailable(w);
        });
    }
    if (!list.empty())
        return list;

    const bool choseNothing =
        m_settings.selectedPackIDs().count(std::string(SettingsStore::nonePackSentinel)) &&
        m_settings.includedWallpapers().empty();
    if (choseNothing)
        return {};

    // Something on screen beats nothing: every available wallpaper, preferring those the
    // user has not hidden.
    std::vector<Wallpaper> available;
    for (Wallpaper& w : m_library.allWallpapers()) {
        if (m_isAvailable(w))
            available.push_back(std::move(w));
    }
    std::vector<Wallpaper> visible;
    std::copy_if(available.begin(), available.end(), std::back_inserter(visible),
                 [&](const Wallpaper& w) { return !m_settings.isHidden(w); });
    return visible.empty() ? available : visible;
}

void WallpaperEngine::rebuildPlaylist() {
    std::vector<Wallpaper> list = rotationCandidates();
    m_playlist = m_settings.shuffle()
                     ? smartShuffled(std::move(list), m_settings.lastShownKey(), m_rng)
                     : std::move(list);
    m_index = 0;
}

bool WallpaperEngine::moveTo(const Wallpaper& w) {
    const auto found = std::find(m_playlist.begin(), m_playlist.end(), w);
    if (found == m_playlist.end())
        return false;
    m_index = static_cast<std::size_t>(found - m_playlist.begin());
    return true;
}

} // namespace ks
