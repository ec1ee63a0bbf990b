#include "ui/settings_view_model.h"

#include "library/library.h"
#include "settings/duration_option.h"
#include "settings/settings_store.h"
#include "settings/transition_option.h"
#include "ui/pseudo_packs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ks {

namespace {

std::string dailyClock(std::int64_t minutes) {
    // The store keeps the minutes within a day; a stray value still prints as a time.
    const std::int64_t m = ((minutes % 1440) + 1440) % 1440;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(m / 60),
                  static_cast<int>(m % 60));
    return text;
}

bool isDaily(const SettingsStore& settings) {
    return settings.intervalSeconds() == DurationOption::daily;
}

std::optional<WallpaperCollection> rotatingCollection(const SettingsStore& settings) {
    if (const auto& id = settings.rotationCollectionID())
        return settings.collection(*id);
    return std::nullopt;
}

} // namespace

std::string durationDetail(const SettingsStore& settings) {
    if (isDaily(settings))
        return "Daily at " + dailyClock(settings.dailyChangeMinutes());
    return DurationOption::label(settings.intervalSeconds());
}

bool showsChangeAtRow(const SettingsStore& settings) {
    return isDaily(settings);
}

std::string transitionDetail(const SettingsStore& settings) {
    return TransitionOption::label(settings.crossfadeSeconds());
}

std::string packsSubtitle(const SettingsStore& settings) {
    if (const auto collection = rotatingCollection(settings))
        return "Rotating the \u201C" + collection->name +
               "\u201D collection \u2014 pack ticks apply when no collection is selected";
    return "Select the packs you want in rotation";
}

std::string packsDetail(const SettingsStore& settings, const Library& library) {
    const auto& packs = library.packs();
    const std::string total = std::to_string(packs.size());
    if (settings.allPacksSelected())
        return "All " + total + " selected";
    const auto selected = std::count_if(
        packs.begin(), packs.end(), [&](const Pack& p) { return settings.isPackSelected(p.id); });
    return std::to_string(selected) + " of " + total + " selected";
}

SelectAllButton selectAllButton(const SettingsStore& settings) {
    if (settings.allPacksSelected())
        return {"Deselect all", "Take every pack out of the rotation", true};
    return {"Select all", "Put every pack in the rotation", false};
}

std::vector<CollectionChipState> collectionChips(const SettingsStore& settings,
                                                 const Library& library) {
    std::vector<CollectionChipState> chips;
    const auto& rotating = settings.rotationCollectionID();
    for (const WallpaperCollection& c : settings.allCollections()) {
        CollectionChipState chip;
        chip.id = c.id;
        chip.anchorID = collectionPackID(c.id);
        chip.name = c.name;
        chip.favorites = c.id == SettingsStore::favoritesCollectionID;
        chip.symbol = chip.favorites ? "heart.fill" : "square.stack";
        chip.count = collectionPack(c, library).wallpapers.size();
        chip.active = rotating && *rotating == c.id;
        chip.faded = chip.count == 0 && !chip.active;
        if (chip.count == 0)
            chip.help = "Empty \u2014 add wallpapers with the + on any wallpaper";
        else if (chip.active)
            chip.help = "Rotating this collection \u2014 click to go back to your selected packs";
        else
            chip.help = "Rotate only this collection";
        chip.canShowWallpapers = chip.count > 0;
        chip.canEdit = !chip.favorites;
        chips.push_back(std::move(chip));
    }
    return chips;
}

std::vector<std::string> keysInRotation(const SettingsStore& settings, const Library& library) {
    std::vector<std::string> keys;
    for (const Wallpaper& w : library.allWallpapers())
        if (settings.isInRotation(w))
            keys.push_back(w.key());
    return keys;
}

std::string newCollectionMessage(std::size_t count) {
    if (count == 0)
        return "Add wallpapers to it with the + on any wallpaper, or from the tray menu.";
    return "Starts with the " + std::to_string(count) + " wallpapers ticked right now.";
}

PackTileState packTileState(const SettingsStore& settings, const Pack& pack) {
    PackTileState state;
    state.id = pack.id;
    state.title = pack.displayName;
    if (const auto cover = pack.cover())
        state.cover = ImageSource::wallpaper(*cover);
    state.selected = settings.isPackSelected(pack.id);
    state.partial = settings.isPackPartiallySelected(pack);
    state.favoriteState = settings.isPackFavorite(pack)            ? PackFavoriteState::all
                          : settings.isPackPartiallyFavorite(pack) ? PackFavoriteState::partial
                                                                   : PackFavoriteState::none;
    state.hasVariants = pack.hasVariants;
    return state;
}

std::string packCheckHelp(bool selected, bool partial) {
    if (selected)
        return "In rotation \u2014 click to remove";
    if (partial)
        return "Some wallpapers in rotation";
    return "Click to include in rotation";
}

std::string packFavoriteHelp(PackFavoriteState state) {
    switch (state) {
    case PackFavoriteState::all:
        return "Unfavorite this whole pack";
    case PackFavoriteState::partial:
        return "Some wallpapers favorited \u2014 click to favorite all";
    case PackFavoriteState::none:
        break;
    }
    return "Favorite every wallpaper in this pack";
}

double packCoverOpacity(bool showsCheck, bool selected, bool partial, bool hovering) {
    return showsCheck && !selected && !partial && !hovering ? 0.62 : 1.0;
}

bool collectionRotates(const SettingsStore& settings) {
    return rotatingCollection(settings).has_value();
}

FooterStatus footerStatus(bool downloading, double progress,
                          const std::optional<std::string>& lastError) {
    if (downloading) {
        const double clamped = std::clamp(std::isfinite(progress) ? progress : 0.0, 0.0, 1.0);
        return {FooterStatus::Kind::downloading,
                "Downloading your packs\u2026 " +
                    std::to_string(static_cast<int>(std::lround(clamped * 100))) + "%"};
    }
    if (lastError)
        return {FooterStatus::Kind::failed, *lastError};
    return {};
}

} // namespace ks
