#include "engine_fixture.h"

#include <algorithm>

namespace ks::test {
namespace {

using Keys = std::vector<std::string>;

class SteppingTest : public EngineTest {
protected:
    SteppingTest() { setPacks({packOf("a", "nn"), packOf("b", "nn")}); }
};

TEST_F(SteppingTest, ConstructionShowsNothingAndStartResumesOnTheLastShown) {
    settings.setLastShownKey("b/1.jpg");
    engine();
    EXPECT_TRUE(presentation.requests.empty());
    EXPECT_EQ(loop.pendingTimers(), 0u);

    started();
    EXPECT_EQ(presentation.captures, 1);
    EXPECT_EQ(presentation.coverRebuilds, 1);
    EXPECT_EQ(lastPresented(), "b/1.jpg");
    EXPECT_EQ(presentation.requests.back().fade, std::nullopt);
}

TEST_F(SteppingTest, StartOnAWallpaperNoLongerRotatingBeginsAtTheFirst) {
    settings.setLastShownKey("gone/1.jpg");
    started();
    EXPECT_EQ(lastPresented(), "a/1.jpg");
    EXPECT_EQ(settings.lastShownKey(), "a/1.jpg");
}

TEST_F(SteppingTest, StepsForwardAndBackInLibraryOrderWithoutShuffle) {
    started();
    // Any step puts the rotation back on screen, also after the user's own wallpaper.
    settings.setOriginalWallpaperPath("/pictures/mine.jpg");
    engine().restoreOriginalWallpaper();
    Keys shown;
    for (int i = 0; i < 5; ++i) {
        engine().advance(true);
        shown.push_back(lastPresented());
        EXPECT_EQ(presentation.requests.back().fade, 0.75);
    }
    EXPECT_EQ(shown, (Keys{"a/2.jpg", "b/1.jpg", "b/2.jpg", "a/1.jpg", "a/2.jpg"}));
    engine().retreat();
    engine().retreat();
    EXPECT_EQ(lastPresented(), "b/2.jpg"); // back across the wrap, no reordering
    EXPECT_EQ(playlist(), (Keys{"a/1.jpg", "a/2.jpg", "b/1.jpg", "b/2.jpg"}));
    EXPECT_EQ(settings.lastShownKey(), "b/2.jpg");
    EXPECT_FALSE(engine().isShowingOriginal());
}

TEST_F(SteppingTest, WrappingWithShuffleStartsANewRoundWithoutTheLastShownFirst) {
    setPacks({packOf("a", "nnn"), packOf("b", "nnn")});
    settings.setShuffle(true);
    started();
    int reordered = 0;
    for (int round = 0; round < 20; ++round) {
        const Keys before = playlist();
        for (std::size_t i = 1; i < before.size(); ++i)
            engine().advance(false);
        const std::string last = current();
        ASSERT_EQ(last, before.back());
        engine().advance(false); // wraps
        Keys after = playlist();
        EXPECT_EQ(engine().index(), 0u);
        EXPECT_NE(after.front(), last) << "round " << round;
        reordered += after != before;
        Keys sortedBefore = before, sortedAfter = after;
        std::sort(sortedBefore.begin(), sortedBefore.end());
        std::sort(sortedAfter.begin(), sortedAfter.end());
        EXPECT_EQ(sortedAfter, sortedBefore);
    }
    EXPECT_GT(reordered, 15);
}

TEST_F(SteppingTest, ShowSlipsAWallpaperInAtTheCurrentPosition) {
    settings.setSelectedPackIDs({"a"});
    setPacks({packOf("a", "nnn"), packOf("b", "nn")});
    started();
    engine().advance(true); // a/2 current
    const Wallpaper outsider = library.pack("b")->wallpapers[1];
    engine().setPaused(true);
    engine().show(outsider);
    EXPECT_EQ(lastPresented(), "b/2.jpg");
    EXPECT_EQ(presentation.requests.back().fade, std::nullopt);
    EXPECT_TRUE(engine().paused());
    EXPECT_EQ(playlist(), (Keys{"a/1.jpg", "b/2.jpg", "a/2.jpg", "a/3.jpg"}));
    engine().advance(true);
    EXPECT_EQ(lastPresented(), "a/2.jpg");

    engine().show(library.pack("a")->wallpapers[0]); // already there: no insertion
    EXPECT_EQ(engine().index(), 0u);
    EXPECT_EQ(playlist().size(), 4u);
}

TEST_F(SteppingTest, AnEmptyPlaylistShowsNothingUntilAWallpaperIsChosen) {
    settings.setSelectedPackIDs({std::string(SettingsStore::nonePackSentinel)});
    started();
    engine().advance(true);
    engine().retreat();
    EXPECT_TRUE(presentation.requests.empty());
    EXPECT_EQ(engine().currentWallpaper(), std::nullopt);
    EXPECT_EQ(nextChangeIn(), 300); // advancing still re-arms

    engine().show(library.pack("b")->wallpapers[0]);
    EXPECT_EQ(playlist(), Keys{"b/1.jpg"});
    EXPECT_EQ(lastPresented(), "b/1.jpg");
}

TEST_F(SteppingTest, EachDisplayShowsItsNeighbourWithPerDisplayWallpapers) {
    setPacks({packOf("p", "nnn")});
    presentation.screens = 3;
    settings.setPerDisplayWallpapers(true);
    started();
    engine().advance(true);
    engine().advance(true); // index 2: c
    const auto& request = presentation.requests.back();
    EXPECT_TRUE(request.perDisplay);
    EXPECT_EQ(request.current.key(), "p/3.jpg");
    ASSERT_EQ(request.screens.size(), 3u);
    EXPECT_EQ(
        keysOf({request.screens[0].second, request.screens[1].second, request.screens[2].second}),
        (Keys{"p/3.jpg", "p/1.jpg", "p/2.jpg"}));
    EXPECT_EQ(request.screens[2].first, 2);
    EXPECT_EQ(engine().wallpaper(4)->key(), "p/1.jpg"); // fewer wallpapers than displays
    EXPECT_EQ(engine().wallpaper(-1), std::nullopt);

    presentation.screens = 1; // one display is never "per display"
    engine().advance(true);
    EXPECT_FALSE(presentation.requests.back().perDisplay);

    settings.setPerDisplayWallpapers(false);
    presentation.screens = 2;
    engine().advance(true);
    EXPECT_FALSE(presentation.requests.back().perDisplay);
    EXPECT_EQ(presentation.requests.back().screens[1].second.key(), "p/2.jpg");
}

} // namespace
} // namespace ks::test
