#include "settings_fixture.h"

namespace ks::test {
namespace {

class Selection : public SettingsTest {
protected:
    Pack m_coast = pack("coast", 3);
    Pack m_alps = pack("alps", 20);
    Library m_library = libraryOf({m_coast, m_alps, pack("sea", 1)});
    const Wallpaper& dawn() const { return m_coast.wallpapers[0]; }
    const Wallpaper& peak() const { return m_alps.wallpapers[0]; }
};

TEST_F(Selection, PackSelectionAndItsSentinel) {
    SettingsStore& s = store();
    s.setSelectedPackIDs({"__none__", "coast"});
    EXPECT_FALSE(s.isPackSelected("coast"));
    s.toggleAllPacks();
    EXPECT_TRUE(s.allPacksSelected());
    s.toggleAllPacks();
    EXPECT_EQ(s.selectedPackIDs(), (KeySet{"__none__"}));

    // Packs that left the library drop out; naming every pack becomes "all packs".
    s.setSelectedPackIDs({"coast", "gone"});
    s.togglePack("alps", m_library);
    EXPECT_EQ(s.selectedPackIDs(), (KeySet{"alps", "coast"}));
    s.setPack("sea", true, m_library);
    EXPECT_TRUE(s.allPacksSelected());
    s.setSelectedPackIDs({"sea", "gone"});
    s.setPack("sea", false, m_library);
    EXPECT_EQ(defaults().stringArrayValue("selectedPackIDs"),
              (std::vector<std::string>{"__none__"}));
}

TEST_F(Selection, TicksHideInSelectedPacksAndIncludeInOthers) {
    SettingsStore& s = store();
    s.toggleFavorite(dawn());
    content = 0;
    s.toggleWallpaper(dawn());
    EXPECT_FALSE(s.isInRotation(dawn()));
    EXPECT_TRUE(s.isHidden(dawn()) && s.isFavorite(dawn()));
    s.toggleWallpaper(dawn());
    EXPECT_TRUE(s.isInRotation(dawn()) && s.includedWallpapers().empty());
    EXPECT_EQ(content, 2);

    s.setPack("alps", false, m_library);
    content = 0;
    s.toggleWallpaper(peak());
    EXPECT_EQ(content, 2); // the hidden set, assigned even without the key, then included
    EXPECT_TRUE(s.isInRotation(peak()));
    EXPECT_FALSE(s.isInRotation(m_alps.wallpapers[1]));
    EXPECT_TRUE(s.isPackPartiallySelected(m_alps));
    EXPECT_FALSE(s.isPackPartiallySelected(m_coast) || s.isPackPartiallySelected(pack("e", 0)));

    // Included wins over hidden, and unticking takes back only the inclusion.
    s.setHiddenWallpapers({peak().key()});
    EXPECT_TRUE(s.isInRotation(peak()));
    s.toggleWallpaper(peak());
    EXPECT_FALSE(s.isInRotation(peak()) || s.isPackPartiallySelected(m_alps));
    EXPECT_TRUE(s.isHidden(peak()));
}

TEST_F(Selection, SelectingAndDeselectingAPacksWallpapers) {
    SettingsStore& s = store();
    s.setSelectedPackIDs({"coast"});
    s.setHiddenWallpapers({peak().key(), dawn().key()});
    s.setIncludedWallpapers({m_alps.wallpapers[5].key(), dawn().key()});
    content = 0;
    s.selectAllWallpapers(m_alps, m_library);
    EXPECT_EQ(content, 41); // two removals per wallpaper, then the pack
    EXPECT_EQ(s.hiddenWallpapers(), (KeySet{dawn().key()}));
    EXPECT_EQ(s.includedWallpapers(), (KeySet{dawn().key()}));
    EXPECT_EQ(s.selectedPackIDs(), (KeySet{"alps", "coast"}));

    content = 0;
    s.deselectAllWallpapers(m_coast, m_library);
    EXPECT_EQ(content, 4);
    EXPECT_TRUE(s.includedWallpapers().empty());
    EXPECT_EQ(s.hiddenWallpapers(), (KeySet{dawn().key()}));
    EXPECT_EQ(s.selectedPackIDs(), (KeySet{"alps"}));
}

TEST_F(Selection, FavouritesAndHiddenWallpapersExcludeEachOther) {
    SettingsStore& s = store();
    s.toggleHidden(dawn());
    s.toggle(dawn(), "__favorites__");
    EXPECT_TRUE(s.isFavorite(dawn()) && !s.isHidden(dawn()));
    s.toggleHidden(dawn());
    EXPECT_TRUE(s.isHidden(dawn()) && !s.isFavorite(dawn()));
    content = 0;
    s.toggleHidden(dawn());
    EXPECT_EQ(content, 1);
    s.toggleFavorite(dawn());
    EXPECT_EQ(content, 3);
}

TEST_F(Selection, PackFavouriteStateAndItsToggle) {
    SettingsStore& s = store();
    EXPECT_EQ(s.packFavoriteState(pack("empty", 0)), PackFavoriteState::none);
    s.toggleFavorite(dawn());
    EXPECT_EQ(s.packFavoriteState(m_coast), PackFavoriteState::partial);
    s.setHiddenWallpapers({peak().key()});
    content = 0;
    s.togglePackFavorite(m_coast); // none of coast hidden: only the favourites are assigned
    EXPECT_EQ(content, 1);
    EXPECT_EQ(s.packFavoriteState(m_coast), PackFavoriteState::all);
    s.setHiddenWallpapers({m_coast.wallpapers[2].key(), peak().key()});
    s.togglePackFavorite(m_coast);
    EXPECT_EQ(s.packFavoriteState(m_coast), PackFavoriteState::none);
    content = 0;
    s.togglePackFavorite(m_coast);
    EXPECT_EQ(content, 2);
    EXPECT_EQ(s.hiddenWallpapers(), (KeySet{peak().key()}));
    s.togglePackFavorite(pack("empty", 0));
    EXPECT_EQ(content, 3);
    EXPECT_EQ(s.favorites().size(), 3u);
}

} // namespace
} // namespace ks::test
