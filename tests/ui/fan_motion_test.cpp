// The pack browser's motion without the toolkit: the curves end exactly where they go, the
// tiles leave their source nearest first and turn around without a jump, and what the
// browser ticks and shows for a pack, the favourites and a collection.

#include "engine/engine_fixture.h"
#include "ui/fan_scene.h"
#include "ui/fan_view_model.h"
#include "ui/motion_curve.h"
#include "ui/pseudo_packs.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ks::test {
namespace {

TEST(FanMotion, CurvesWaitOutTheirDelayRiseAndEndExactlyAtOne) {
    for (const MotionCurve& curve :
         {MotionCurve::easeOut(0.25, 0.1), MotionCurve::spring(0.55, 0.82, 0.1),
          MotionCurve::spring(0.45, 1.0), MotionCurve::easeOut(0)}) {
        SCOPED_TRACE(curve.duration);
        EXPECT_EQ(curve.progress(curve.delay), curve.duration > 0 ? 0 : 1);
        EXPECT_EQ(curve.progress(curve.settleTime()), 1);
        EXPECT_EQ(curve.progress(curve.settleTime() + 5), 1);
        double peak = 0;
        for (double t = 0; t < curve.settleTime(); t += 0.005)
            peak = std::max(peak, curve.progress(t));
        // A damped spring barely overshoots; nothing else does.
        EXPECT_LE(peak, curve.kind == MotionCurve::Kind::spring && curve.damping < 1 ? 1.02 : 1.0);
        EXPECT_GT(curve.progress(curve.delay + curve.duration / 2), curve.duration > 0 ? 0.3 : 0);
    }
    // The spring of the fly-out is at rest within a second.
    EXPECT_LT(MotionCurve::spring(0.55, 0.82).settleTime(), 1.0);
}

class FanSceneTest : public ::testing::Test {
protected:
    static constexpr double kWidth = 800, kHeight = 600;
    const FanRect source{100, 400, 80, 50};
    FanScene scene;
    double distanceToSource(FanPoint p) const {
        return std::hypot(p.x - source.centre().x, p.y - source.centre().y);
    }
};

TEST_F(FanSceneTest, TilesStartGatheredLeaveNearestFirstAndRestInTheirCells) {
    scene.layOut(8, kWidth, kHeight, source);
    for (std::size_t i = 0; i < 8; ++i) {
        const FanTilePose pose = scene.tile(i, 0);
        EXPECT_EQ(pose.centre, source.centre());
        EXPECT_EQ(pose.opacity, 0);
        EXPECT_EQ(pose.rotation, gatheredRotation(i));
        EXPECT_DOUBLE_EQ(pose.scale, 80 / scene.grid().tileWidth);
    }
    EXPECT_FALSE(scene.animating(0));

    scene.setFanned(true, 10);
    std::size_t nearest = 0, farthest = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const double d = distanceToSource(fanCellCentre(scene.grid(), i));
        if (d < distanceToSource(fanCellCentre(scene.grid(), nearest)))
            nearest = i;
        if (d > distanceToSource(fanCellCentre(scene.grid(), farthest)))
            farthest = i;
    }
    EXPECT_GT(scene.tile(nearest, 10.05).opacity, scene.tile(farthest, 10.05).opacity);
    EXPECT_TRUE(scene.animating(10.5));
    EXPECT_LT(scene.contentScale(10.5), 1);

    EXPECT_FALSE(scene.animating(12));
    for (std::size_t i = 0; i < 8; ++i) {
        const FanTilePose pose = scene.tile(i, 12);
        EXPECT_EQ(pose.centre, fanCellCentre(scene.grid(), i));
        EXPECT_EQ(pose.rotation, 0);
        EXPECT_EQ(pose.scale, 1);
        EXPECT_EQ(pose.opacity, 1);
    }
    EXPECT_EQ(scene.backgroundOpacity(12), 1);
    EXPECT_EQ(scene.tickOpacity(12), 1);
    EXPECT_DOUBLE_EQ(scene.contentScale(12), 0.98);
}

TEST_F(FanSceneTest, TurningAroundOrMovingTheLayoutMidwayNeverJumps) {
    scene.layOut(5, kWidth, kHeight, source);
    scene.setFanned(true, 0);
    const FanTilePose before = scene.tile(2, 0.3);
    scene.setFanned(false, 0.3);
    const FanTilePose after = scene.tile(2, 0.3);
    EXPECT_EQ(before.centre, after.centre);
    EXPECT_EQ(before.opacity, after.opacity);

    // The window grows while the tiles are out: they end in the new cells.
    scene.setFanned(true, 0.4);
    scene.layOut(5, 1200, 900, source);
    EXPECT_EQ(scene.tile(2, 5).centre, fanCellCentre(scene.grid(), 2));
    // At rest, a new layout shows at once.
    scene.layOut(5, kWidth, kHeight, source);
    EXPECT_EQ(scene.tile(2, 5).centre, fanCellCentre(scene.grid(), 2));

    scene.setFanned(false, 6);
    EXPECT_FALSE(scene.animating(8));
    EXPECT_EQ(scene.tile(4, 8).centre, source.centre());
    EXPECT_EQ(scene.tile(4, 8).opacity, 0);
    EXPECT_EQ(scene.contentScale(8), 1);

    // An empty pack has nothing to move but its layers.
    FanScene empty;
    empty.layOut(0, kWidth, kHeight, {});
    empty.setFanned(true, 0);
    EXPECT_EQ(empty.count(), 0u);
    EXPECT_FALSE(empty.animating(2));
}

class FanViewModelTest : public EngineTest {
protected:
    FanViewModelTest() { setPacks({packOf("dunes", "nnn")}); }
    Wallpaper w(int n) { return *library.wallpaper("dunes/" + std::to_string(n) + ".jpg"); }
};

TEST_F(FanViewModelTest, TicksFollowRotationForAPackAndMembershipForCollections) {
    const std::string trip = settings.createCollection("Trip", {w(1).key()}).id;
    const std::string tripPack = collectionPackID(trip);
    const std::string favorites(kFavoritesPackID);
    settings.toggleFavorite(w(2));
    settings.toggleWallpaper(w(3));

    struct Row {
        std::string pack;
        int wallpaper;
        bool checked;
        std::string help;
    };
    const std::string inCollection = "In this collection — click to remove";
    for (const Row& row :
         {Row{"dunes", 1, true, "In rotation — click to remove"},
          Row{"dunes", 3, false, "Click to include in rotation"},
          Row{favorites, 2, true, inCollection}, Row{favorites, 1, false, inCollection},
          Row{tripPack, 1, true, inCollection}, Row{tripPack, 2, false, inCollection}}) {
        SCOPED_TRACE(row.pack + " " + std::to_string(row.wallpaper));
        const FanTick tick = fanTick(settings, row.pack, w(row.wallpaper));
        EXPECT_EQ(tick.checked, row.checked);
        EXPECT_EQ(tick.help, row.help);
        // A click flips exactly what the tick shows.
        toggleFanTick(settings, row.pack, w(row.wallpaper));
        EXPECT_EQ(fanTick(settings, row.pack, w(row.wallpaper)).checked, !row.checked);
        toggleFanTick(settings, row.pack, w(row.wallpaper));
    }
    EXPECT_TRUE(fanShowsSelectAll("dunes"));
    EXPECT_FALSE(fanShowsSelectAll(favorites) || fanShowsSelectAll(tripPack));
    EXPECT_NE(fanSubtitle(favorites), fanSubtitle(tripPack));
    EXPECT_NE(fanSubtitle("dunes"), fanSubtitle(tripPack));
    EXPECT_FALSE(everyWallpaperInRotation(settings, *library.pack("dunes")));

    // Unticking in the favourites takes the wallpaper out of them.
    toggleFanTick(settings, favorites, w(2));
    EXPECT_FALSE(settings.isFavorite(w(2)));
}

TEST_F(FanViewModelTest, TilesFadeOutOfRotationAndShowBadgesWhenTheyMatter) {
    FanTileLook look = fanTileLook(settings, w(1), false);
    EXPECT_EQ(look.opacity, 1);
    EXPECT_FALSE(look.showsBadges);
    EXPECT_TRUE(fanTileLook(settings, w(1), true).showsBadges);

    settings.toggleWallpaper(w(3));
    EXPECT_EQ(fanTileLook(settings, w(3), false).opacity, 0.55);
    settings.toggleFavorite(w(1));
    look = fanTileLook(settings, w(1), false);
    EXPECT_TRUE(look.showsBadges);
    EXPECT_EQ(look.favoriteSymbol, "heart.fill");
    EXPECT_EQ(look.favoriteHelp, "Unfavorite");
    // The favourites are not one of the collections the badge offers.
    EXPECT_FALSE(look.inCollection);
    EXPECT_EQ(look.collectionSymbol, "plus");

    settings.createCollection("Trip", {w(2).key()});
    look = fanTileLook(settings, w(2), false);
    EXPECT_TRUE(look.inCollection && look.showsBadges);
    EXPECT_EQ(look.collectionSymbol, "square.stack.fill");
    EXPECT_EQ(look.collectionHelp, "In a collection — click to change");
}

} // namespace
} // namespace ks::test
