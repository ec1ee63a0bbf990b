#pragma once

#include "library/image_source.h"
#include "settings/pack_favorite_state.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ks {

class Library;
class SettingsStore;
struct Pack;

// What the settings window shows, worked out from the store and the library alone, so the
// widgets only draw it.

// Timing box.
std::string durationDetail(const SettingsStore& settings);
// The "Change at" row exists only in the daily mode.
bool showsChangeAtRow(const SettingsStore& settings);
std::string transitionDetail(const SettingsStore& settings);

// Packs section.
std::string packsSubtitle(const SettingsStore& settings);
std::string packsDetail(const SettingsStore& settings, const Library& library);

struct SelectAllButton {
    std::string title;
    std::string help;
    // True: the click takes every pack out; false: it puts every pack in.
    bool deselects = false;
};
SelectAllButton selectAllButton(const SettingsStore& settings);

// One chip of the collections row; the favourites come first.
struct CollectionChipState {
    std::string id;
    // Where the chip publishes its frame: the collection's pseudo-pack identifier.
    std::string anchorID;
    std::string name;
    std::string symbol;
    std::size_t count = 0;
    bool favorites = false;
    bool active = false;
    // An empty chip that does not rotate is drawn faded.
    bool faded = false;
    std::string help;
    // Context menu: "Show Wallpapers…" is offered only for a collection with wallpapers,
    // "Rename…" and "Delete" only for the user's own.
    bool canShowWallpapers = false;
    bool canEdit = false;
};
// Counts only the wallpapers the library still has.
std::vector<CollectionChipState> collectionChips(const SettingsStore& settings,
                                                 const Library& library);

// The keys of every library wallpaper in rotation now, in library order.
std::vector<std::string> keysInRotation(const SettingsStore& settings, const Library& library);
// The message of the new-collection prompt for a collection starting with `count` keys.
std::string newCollectionMessage(std::size_t count);

// One tile of the pack grid.
struct PackTileState {
    std::string id;
    std::string title;
    // None: the all-packs picture.
    std::optional<ImageSource> cover;
    bool selected = false;
    bool partial = false;
    PackFavoriteState favoriteState = PackFavoriteState::none;
    bool hasVariants = false;
};
PackTileState packTileState(const SettingsStore& settings, const Pack& pack);
std::string packCheckHelp(bool selected, bool partial);
std::string packFavoriteHelp(PackFavoriteState state);
// The cover's opacity: unticked tiles are dimmed where ticks show, except under the pointer.
double packCoverOpacity(bool showsCheck, bool selected, bool partial, bool hovering);
// While a collection rotates, pack ticks do not apply and the grid is drawn faded.
bool collectionRotates(const SettingsStore& settings);

// The footer's left part.
struct FooterStatus {
    enum class Kind { none, downloading, failed };
    Kind kind = Kind::none;
    std::string text;
};
FooterStatus footerStatus(bool downloading, double progress,
                          const std::optional<std::string>& lastError);

} // namespace ks
