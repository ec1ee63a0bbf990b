#include "engine_fixture.h"

namespace ks::test {
namespace {

using Keys = std::vector<std::string>;

class PlaylistTest : public EngineTest {
protected:
    PlaylistTest() { setPacks({packOf("a", "nnn"), packOf("b", "nn"), packOf("c", "n")}); }
    Keys rebuilt() {
        engine();
        post(kContentChanged);
        loop.advance(Seconds{0.5});
        return playlist();
    }
};

TEST_F(PlaylistTest, SelectedPacksTicksAndHiddenWallpapersInLibraryOrder) {
    EXPECT_EQ(rebuilt(), (Keys{"a/1.jpg", "a/2.jpg", "a/3.jpg", "b/1.jpg", "b/2.jpg", "c/1.jpg"}));

    settings.setSelectedPackIDs({"a"});
    settings.setHiddenWallpapers({"a/2.jpg"});
    settings.setIncludedWallpapers({"c/1.jpg"});
    unavailable = {"a/3.jpg"};
    EXPECT_EQ(rebuilt(), (Keys{"a/1.jpg", "c/1.jpg"}));
}

TEST_F(PlaylistTest, CollectionRotatesInLibraryOrderWithoutHiddenOrMissingOnes) {
    settings.setSelectedPackIDs({"a"});
    const auto made =
        settings.createCollection("Mine", {"c/1.jpg", "b/2.jpg", "a/1.jpg", "b/1.jpg"});
    settings.setRotationCollectionID(made.id);
    settings.setHiddenWallpapers({"b/1.jpg"});
    unavailable = {"a/1.jpg"};
    EXPECT_EQ(rebuilt(), (Keys{"b/2.jpg", "c/1.jpg"}));

    settings.setFavorites({"b/1.jpg", "a/3.jpg", "a/2.jpg"});
    settings.setRotationCollectionID(std::string(SettingsStore::favoritesCollectionID));
    EXPECT_EQ(rebuilt(), (Keys{"a/2.jpg", "a/3.jpg"}));
}

TEST_F(PlaylistTest, CollectionYieldingNothingLeavesTheSelectedPacks) {
    settings.setSelectedPackIDs({"b"});
    const auto made = settings.createCollection("Hidden", {"a/1.jpg"});
    settings.setHiddenWallpapers({"a/1.jpg"});
    for (const std::string& id : {made.id, std::string("no-such-collection")}) {
        settings.setRotationCollectionID(id);
        EXPECT_EQ(rebuilt(), (Keys{"b/1.jpg", "b/2.jpg"})) << id;
    }
}

TEST_F(PlaylistTest, ChoosingNothingRotatesNothingButOneTickRotatesAlone) {
    settings.setSelectedPackIDs({std::string(SettingsStore::nonePackSentinel)});
    EXPECT_EQ(rebuilt(), Keys{});
    settings.setIncludedWallpapers({"b/2.jpg"});
    EXPECT_EQ(rebuilt(), Keys{"b/2.jpg"});
}

TEST_F(PlaylistTest, FallbackTakesEveryAvailableWallpaperPreferringVisibleOnes) {
    settings.setSelectedPackIDs({"c"});
    unavailable = {"c/1.jpg", "a/1.jpg"};
    settings.setHiddenWallpapers({"b/1.jpg"});
    EXPECT_EQ(rebuilt(), (Keys{"a/2.jpg", "a/3.jpg", "b/2.jpg"}));

    settings.setHiddenWallpapers({"a/2.jpg", "a/3.jpg", "b/1.jpg", "b/2.jpg"});
    EXPECT_EQ(rebuilt(), (Keys{"a/2.jpg", "a/3.jpg", "b/1.jpg", "b/2.jpg"}));
}

TEST_F(PlaylistTest, VariantFilterAppliesOnlyToPacksWithVariants) {
    setPacks({packOf("v", "ldn", true), packOf("p", "ld", false)});
    const Keys all{"v/1.jpg", "v/2.jpg", "v/3.jpg", "p/1.jpg", "p/2.jpg"};
    const Keys light{"v/1.jpg", "v/3.jpg", "p/1.jpg", "p/2.jpg"};
    const Keys dark{"v/2.jpg", "v/3.jpg", "p/1.jpg", "p/2.jpg"};
    const struct {
        AppearanceFilter filter;
        bool systemDark;
        Keys expected;
    } cases[] = {
        {AppearanceFilter::light, true, light},   {AppearanceFilter::dark, false, dark},
        {AppearanceFilter::both, true, all},      {AppearanceFilter::system, true, dark},
        {AppearanceFilter::system, false, light},
    };
    for (const auto& c : cases) {
        settings.setAppearance(c.filter);
        appearance.dark = c.systemDark;
        EXPECT_EQ(rebuilt(), c.expected) << rawValue(c.filter) << " dark=" << c.systemDark;
    }
}

TEST_F(PlaylistTest, ByDefaultOnlyWallpapersWithABlobFileRotate) {
    useBlobFiles = true;
    setPacks({packOf("a", "nnn")});
    std::ofstream(resources() / "wp" / "a-2") << "jpeg";
    EXPECT_EQ(rebuilt(), Keys{"a/2.jpg"});
}

} // namespace
} // namespace ks::test
