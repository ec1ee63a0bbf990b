#include "engine_fixture.h"

namespace ks::test {
namespace {

using Keys = std::vector<std::string>;

class ReactionsTest : public EngineTest {
protected:
    ReactionsTest() { setPacks({packOf("a", "nnn"), packOf("v", "lnd", true)}); }
    std::size_t shows() const { return presentation.requests.size(); }
};

TEST_F(ReactionsTest, ABurstOfContentChangesRebuildsOnceHalfASecondAfterTheLastKeepingTheCurrent) {
    started();
    const std::size_t before = shows();
    settings.setHiddenWallpapers({"a/1.jpg"}); // takes the current one out
    for (int i = 0; i < 9; ++i) {
        loop.advance(Seconds{0.05});
        post(kContentChanged);
    }
    loop.advance(Seconds{0.49});
    EXPECT_EQ(shows(), before);
    loop.advance(Seconds{0.01});
    EXPECT_EQ(shows(), before + 1);
    EXPECT_EQ(lastPresented(), "a/2.jpg");
    loop.advance(Seconds{5});
    EXPECT_EQ(shows(), before + 1);

    settings.setHiddenWallpapers({}); // a/2 still rotates: it stays, followed to its place
    loop.advance(Seconds{0.5});
    EXPECT_EQ(shows(), before + 1);
    EXPECT_EQ(current(), "a/2.jpg");
    EXPECT_EQ(engine().index(), 1u);
    EXPECT_EQ(nextChangeIn(), 300); // re-armed in every case
}

TEST_F(ReactionsTest, ARebuildWhilePausedLeavesTheScreenAlone) {
    started();
    engine().setPaused(true);
    const std::size_t before = shows();
    settings.setSelectedPackIDs({"v"});
    loop.advance(Seconds{0.5});
    EXPECT_EQ(shows(), before);
    EXPECT_EQ(playlist().front(), "v/1.jpg");
    EXPECT_EQ(engine().nextChangeDate(), std::nullopt);
}

TEST_F(ReactionsTest, AppearanceChangeFollowsTheSystemKeepingANeutralWallpaper) {
    settings.setSelectedPackIDs({"v"});
    started();
    EXPECT_EQ(playlist(), (Keys{"v/1.jpg", "v/2.jpg"}));
    engine().advance(true); // v/2, neutral
    loop.advance(Seconds{100});
    const std::size_t before = shows();

    appearance.dark = true;
    post(kAppearanceChanged);
    loop.advance(Seconds{0.3});
    EXPECT_EQ(playlist(), (Keys{"v/2.jpg", "v/3.jpg"}));
    EXPECT_EQ(current(), "v/2.jpg");
    EXPECT_EQ(shows(), before);
    EXPECT_NEAR(nextChangeIn(), 199.7, 1e-6); // the timer ran on

    engine().advance(true); // v/3, dark
    appearance.dark = false;
    post(kAppearanceChanged);
    loop.advance(Seconds{0.1});
    post(kAppearanceChanged); // a second step of its own, not merged into the first
    loop.advance(Seconds{0.2});
    EXPECT_EQ(lastPresented(), "v/1.jpg");
    EXPECT_EQ(nextChangeIn(), 300);
    appearance.dark = true;
    loop.advance(Seconds{0.1});
    EXPECT_EQ(lastPresented(), "v/2.jpg");
    EXPECT_EQ(shows(), before + 3);
}

TEST_F(ReactionsTest, AppearanceChangeWhilePausedStillRefiltersButShowsNothing) {
    settings.setSelectedPackIDs({"v"});
    started(); // v/1, light
    engine().setPaused(true);
    const std::size_t before = shows();
    appearance.dark = true;
    post(kAppearanceChanged);
    loop.advance(Seconds{0.3});
    EXPECT_EQ(playlist(), (Keys{"v/2.jpg", "v/3.jpg"}));
    EXPECT_EQ(shows(), before);
    engine().setPaused(false);
    loop.advance(Seconds{300});
    EXPECT_EQ(lastPresented(), "v/3.jpg");
}

TEST_F(ReactionsTest, DisplayChangesWithinASecondMakeOneRebuild) {
    started();
    const std::size_t before = shows();
    for (int i = 0; i < 5; ++i) {
        post(kScreenParametersChanged);
        loop.advance(Seconds{0.19});
    }
    loop.advance(Seconds{0.05});
    EXPECT_EQ(presentation.coverRebuilds, 2); // the start's and this one
    EXPECT_EQ(shows(), before + 1);
    EXPECT_EQ(presentation.requests.back().fade, std::nullopt);

    engine().setPaused(true);
    post(kScreenParametersChanged);
    loop.advance(Seconds{1});
    EXPECT_EQ(presentation.coverRebuilds, 3);
    EXPECT_EQ(shows(), before + 1);
}

TEST_F(ReactionsTest, ASpaceChangeReappliesAndNothingIsCalledOnceTheEngineIsGone) {
    started();
    post(kActiveSpaceChanged);
    EXPECT_EQ(presentation.reapplies, 1);
    post(kContentChanged);
    post(kAppearanceChanged);
    post(kScreenParametersChanged);
    const std::size_t before = shows();
    const int rebuilds = presentation.coverRebuilds;
    destroyEngine();
    EXPECT_EQ(loop.pendingTimers(), 0u);
    for (auto name : {kContentChanged, kTimingChanged, kSystemDidWake, kActiveSpaceChanged,
                      kScreenParametersChanged, kAppearanceChanged, kSystemClockChanged})
        post(name);
    loop.advance(Seconds{600});
    EXPECT_EQ(shows(), before);
    EXPECT_EQ(presentation.coverRebuilds, rebuilds);
    EXPECT_EQ(presentation.reapplies, 1);
}

} // namespace
} // namespace ks::test
