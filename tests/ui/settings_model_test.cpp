// What the settings window shows, from a real store and library: the timing details, the
// packs' subtitle and count, the collection chips, the new-collection prompt, collections as
// packs, the tiles and the footer.

#include "engine/engine_fixture.h"
#include "settings/duration_option.h"
#include "ui/pseudo_packs.h"
#include "ui/settings_view_model.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

class SettingsModelTest : public EngineTest {
protected:
    SettingsModelTest() { setPacks({packOf("dunes", "nnn"), packOf("sea", "nn", true)}); }
    Wallpaper w(const std::string& pack, int n) {
        return *library.wallpaper(pack + "/" + std::to_string(n) + ".jpg");
    }
};

TEST_F(SettingsModelTest, TimingDetailsFollowTheModeAndTheDailyTime) {
    settings.setIntervalSeconds(DurationOption::daily);
    settings.setDailyChangeMinutes(8 * 60);
    EXPECT_EQ(durationDetail(settings), "Daily at 08:00");
    EXPECT_TRUE(showsChangeAtRow(settings));
    settings.setDailyChangeMinutes(23 * 60 + 5);
    EXPECT_EQ(durationDetail(settings), "Daily at 23:05");

    settings.setIntervalSeconds(300);
    EXPECT_EQ(durationDetail(settings), DurationOption::label(300));
    EXPECT_FALSE(showsChangeAtRow(settings));
}

TEST_F(SettingsModelTest, PacksSubtitleCountAndSelectAllFollowTheSelection) {
    EXPECT_EQ(packsDetail(settings, library), "All 2 selected");
    EXPECT_TRUE(selectAllButton(settings).deselects);
    EXPECT_EQ(selectAllButton(settings).title, "Deselect all");
    settings.togglePack("sea", library);
    EXPECT_EQ(packsDetail(settings, library), "1 of 2 selected");
    EXPECT_EQ(selectAllButton(settings).title, "Select all");
    settings.toggleAllPacks();
    settings.setSelectedPackIDs({std::string(SettingsStore::nonePackSentinel)});
    EXPECT_EQ(packsDetail(settings, library), "0 of 2 selected");

    EXPECT_EQ(packsSubtitle(settings), "Select the packs you want in rotation");
    const auto trip = settings.createCollection("Trip", {w("dunes", 1).key()});
    settings.toggleRotation(trip.id);
    EXPECT_EQ(packsSubtitle(settings), "Rotating the \u201CTrip\u201D collection \u2014 pack "
                                       "ticks apply when no collection is selected");
    EXPECT_TRUE(collectionRotates(settings));
    // Clicking the active chip again stops it.
    settings.toggleRotation(trip.id);
    EXPECT_EQ(packsSubtitle(settings), "Select the packs you want in rotation");
    // A rotation that names a deleted collection is no rotation.
    settings.setRotationCollectionID("gone");
    EXPECT_FALSE(collectionRotates(settings));
}

TEST_F(SettingsModelTest, ChipsPutTheFavouritesFirstAndSayWhatAClickDoes) {
    const auto trip = settings.createCollection("Trip", {w("dunes", 1).key(), w("sea", 2).key()});
    // Its one wallpaper left the library: nothing to show.
    settings.createCollection("Empty", {"gone/1.jpg"});
    settings.toggleRotation(trip.id);
    const auto chips = collectionChips(settings, library);
    ASSERT_EQ(chips.size(), 3u);
    struct Row {
        std::string name, anchor, symbol;
        std::size_t count;
        bool active, faded, canShow, canEdit;
        std::string help;
    };
    const Row rows[] = {
        {"Favorites", "__favorites__", "heart.fill", 0, false, true, false, false,
         "Empty \u2014 add wallpapers with the + on any wallpaper"},
        {"Trip", "__collection__:" + trip.id, "square.stack", 2, true, false, true, true,
         "Rotating this collection \u2014 click to go back to your selected packs"},
        {"Empty", "__collection__:" + chips[2].id, "square.stack", 0, false, true, false, true,
         "Empty \u2014 add wallpapers with the + on any wallpaper"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(chips[i].name, rows[i].name);
        EXPECT_EQ(chips[i].anchorID, rows[i].anchor);
        EXPECT_EQ(chips[i].symbol, rows[i].symbol);
        EXPECT_EQ(chips[i].count, rows[i].count);
        EXPECT_EQ(chips[i].active, rows[i].active);
        EXPECT_EQ(chips[i].faded, rows[i].faded);
        EXPECT_EQ(chips[i].canShowWallpapers, rows[i].canShow);
        EXPECT_EQ(chips[i].canEdit, rows[i].canEdit);
        EXPECT_EQ(chips[i].help, rows[i].help);
    }
    settings.toggleFavorite(w("sea", 1));
    EXPECT_EQ(collectionChips(settings, library)[0].help, "Rotate only this collection");
}

TEST_F(SettingsModelTest, NewCollectionStartsWithTheWallpapersInRotation) {
    EXPECT_EQ(keysInRotation(settings, library).size(), 5u);
    EXPECT_EQ(newCollectionMessage(12), "Starts with the 12 wallpapers ticked right now.");
    EXPECT_EQ(newCollectionMessage(0),
              "Add wallpapers to it with the + on any wallpaper, or from the tray menu.");
    settings.setSelectedPackIDs({std::string(SettingsStore::nonePackSentinel)});
    EXPECT_TRUE(keysInRotation(settings, library).empty());
}

TEST_F(SettingsModelTest, CollectionsShowAsPacksUnderIdentifiersNoPackHas) {
    for (const auto& [collection, pack] :
         {std::pair{"__favorites__", "__favorites__"}, std::pair{"abc", "__collection__:abc"},
          std::pair{"", "__collection__:"}}) {
        EXPECT_EQ(collectionPackID(collection), pack);
        EXPECT_EQ(collectionIDFromPackID(pack), collection);
    }
    EXPECT_EQ(collectionIDFromPackID("dunes"), std::nullopt);

    // Library order, once each, without keys that left the library.
    const WallpaperCollection trip{
        "t", "Trip", {w("sea", 2).key(), "gone/1.jpg", w("dunes", 3).key(), w("sea", 2).key()}};
    const Pack pack = collectionPack(trip, library);
    EXPECT_EQ(pack.id, "__collection__:t");
    EXPECT_EQ(pack.displayName, "Trip");
    EXPECT_EQ(keysOf(pack.wallpapers), (std::vector<std::string>{"dunes/3.jpg", "sea/2.jpg"}));
}

TEST_F(SettingsModelTest, TilesShowTicksFavouritesAndDimming) {
    settings.togglePack("dunes", library);
    settings.toggleWallpaper(w("dunes", 1));
    settings.toggleFavorite(w("sea", 1));
    settings.toggleFavorite(w("sea", 2));
    const PackTileState dunes = packTileState(settings, *library.pack("dunes"));
    EXPECT_FALSE(dunes.selected);
    EXPECT_TRUE(dunes.partial);
    EXPECT_EQ(dunes.favoriteState, PackFavoriteState::none);
    const PackTileState sea = packTileState(settings, *library.pack("sea"));
    EXPECT_TRUE(sea.selected);
    EXPECT_EQ(sea.favoriteState, PackFavoriteState::all);
    EXPECT_TRUE(sea.hasVariants);
    EXPECT_TRUE(sea.cover.has_value());
    EXPECT_FALSE(packTileState(settings, Pack{"empty", "Empty", {}, false, {}}).cover);

    EXPECT_EQ(packCheckHelp(true, false), "In rotation \u2014 click to remove");
    EXPECT_EQ(packCheckHelp(false, true), "Some wallpapers in rotation");
    EXPECT_EQ(packCheckHelp(false, false), "Click to include in rotation");
    EXPECT_EQ(packFavoriteHelp(PackFavoriteState::partial),
              "Some wallpapers favorited \u2014 click to favorite all");
    // Only an unticked tile where ticks show, and not under the pointer.
    EXPECT_EQ(packCoverOpacity(true, false, false, false), 0.62);
    for (const auto& [shows, selected, partial, hover] :
         {std::tuple{false, false, false, false}, std::tuple{true, true, false, false},
          std::tuple{true, false, true, false}, std::tuple{true, false, false, true}})
        EXPECT_EQ(packCoverOpacity(shows, selected, partial, hover), 1.0);
}

TEST_F(SettingsModelTest, FooterShowsProgressOrTheError) {
    EXPECT_EQ(footerStatus(true, 0.456, std::nullopt).text, "Downloading your packs\u2026 46%");
    EXPECT_EQ(footerStatus(true, 7, std::nullopt).text, "Downloading your packs\u2026 100%");
    EXPECT_EQ(footerStatus(true, std::nan(""), "old").text, "Downloading your packs\u2026 0%");
    const FooterStatus failed = footerStatus(false, 1, std::string("No connection"));
    EXPECT_EQ(failed.kind, FooterStatus::Kind::failed);
    EXPECT_EQ(failed.text, "No connection");
    EXPECT_EQ(footerStatus(false, 1, std::nullopt).kind, FooterStatus::Kind::none);
}

} // namespace
} // namespace ks::test
