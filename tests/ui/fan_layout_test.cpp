// The pack browser's grid: how many columns, how large, where each tile and tick sits, and
// how the tiles gather at their source.

#include "ui/fan_layout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ks::test {
namespace {

TEST(FanLayout, ColumnsFollowTheCountAndWiderGridsOnlyWhenTheirTilesAreLarger) {
    struct Row {
        std::size_t count;
        double width, height;
        int columns;
        double scale;
    };
    // 800 × 600 has room for every small count at full size; 800 × 500 is short for 47.
    const Row rows[] = {
        {1, 800, 600, 3, 1},
        {2, 800, 600, 3, 1},
        {3, 800, 600, 3, 1},
        {4, 800, 600, 4, 1},
        {6, 800, 600, 6, 1},
        {7, 800, 600, 6, 1},            // 7 columns would shrink: 6 stay
        {7, 2000, 2000, 6, 1},          // a tie keeps the fewer columns
        {47, 800, 500, 8, 760.0 / 916}, // 7 beats 6, and 8 beats 7
        {0, 800, 600, 3, 0},            // an empty pack draws no tiles
        {5, 30, 600, 5, 0},             // no room at all
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.count << " in " << r.width << "x" << r.height);
        const FanGrid grid = fitFanGrid(r.count, r.width, r.height);
        EXPECT_EQ(grid.columns, r.columns);
        EXPECT_NEAR(grid.scale, r.scale, 1e-9);
        EXPECT_LE(grid.scale, 1.0);
        EXPECT_EQ(grid.rows, static_cast<int>((r.count + r.columns - 1) / r.columns));
    }
}

TEST(FanLayout, TilesSitInCellsBelowTheHeaderAndNeverRiseAboveIt) {
    const FanGrid grid = fitFanGrid(7, 800, 600);
    // Grid 684 × 142 at full size, centred; the header's 64 points above it.
    EXPECT_DOUBLE_EQ(grid.originX, 58);
    EXPECT_DOUBLE_EQ(grid.originY, (600 - 142 - 64) / 2.0 + 64);
    EXPECT_EQ(fanCellCentre(grid, 0), (FanPoint{110, grid.originY + 32.5}));
    EXPECT_EQ(fanCellCentre(grid, 5), (FanPoint{110 + 5 * 116, grid.originY + 32.5}));
    EXPECT_EQ(fanCellCentre(grid, 6), (FanPoint{110, grid.originY + 77 + 32.5}));
    EXPECT_EQ(fanTickCentre(grid, 6), (FanPoint{70, grid.originY + 77 + 12}));

    // A short window: the grid shrinks, and its top stays 24 points below the header's room.
    const FanGrid shrunk = fitFanGrid(47, 800, 200);
    EXPECT_LT(shrunk.scale, 0.2);
    EXPECT_DOUBLE_EQ(shrunk.originY, 64 + 24);
}

TEST(FanLayout, GatheredTilesTiltInFivesAndFlyOutNearestFirst) {
    const double tilts[] = {-5, -2.5, 0, 2.5, 5, -5, -2.5};
    for (std::size_t i = 0; i < std::size(tilts); ++i)
        EXPECT_EQ(gatheredRotation(i), tilts[i]) << i;

    const FanGrid grid = fitFanGrid(7, 800, 600);
    EXPECT_DOUBLE_EQ(gatheredScale(80, grid), 80.0 / 104);
    EXPECT_EQ(gatheredScale(80, fitFanGrid(0, 800, 600)), 0);

    const FanPoint source{110, 300};
    EXPECT_LT(fanDelay(fanCellCentre(grid, 0), source, 800, 600),
              fanDelay(fanCellCentre(grid, 5), source, 800, 600));
    EXPECT_EQ(fanDelay(source, source, 800, 600), 0);
    EXPECT_DOUBLE_EQ(fanDelay({800, 600}, {0, 0}, 800, 600), 0.14);
    // A source outside the overlay, or an overlay of no size, still waits at most 0.14 s.
    EXPECT_LE(fanDelay({5000, 0}, {0, 0}, 800, 600), 0.14);
    EXPECT_LE(fanDelay({3, 4}, {0, 0}, 0, 0), 0.14);
}

} // namespace
} // namespace ks::test
