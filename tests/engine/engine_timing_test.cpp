#include "engine_fixture.h"

#include "settings/duration_option.h"

#include <cmath>

namespace ks::test {
namespace {

class TimingTest : public EngineTest {
protected:
    TimingTest() { setPacks({packOf("a", "nnnn")}); }
    std::size_t shows() const { return presentation.requests.size(); }
    // The wall-clock date `hours` after 2026-03-02 00:00 UTC, the test clock's first midnight.
    static SysTime dayTime(double hours) {
        return SysTime{std::chrono::seconds{1772409600}} + toSystem(Seconds{hours * 3600});
    }
};

TEST_F(TimingTest, AnIntervalCountsFromTheLastChangeManualOrNot) {
    started();
    EXPECT_EQ(nextChangeIn(), 300);
    loop.advance(Seconds{200});
    engine().advance(true);
    EXPECT_EQ(nextChangeIn(), 300);
    loop.advance(Seconds{299});
    EXPECT_EQ(current(), "a/2.jpg");
    loop.advance(Seconds{1}); // 500 s after the start
    EXPECT_EQ(current(), "a/3.jpg");
    EXPECT_EQ(presentation.requests.back().fade, std::nullopt);
    loop.advance(Seconds{300});
    EXPECT_EQ(current(), "a/4.jpg");
}

TEST_F(TimingTest, OnBatteryTheClockHoldsButTheUserDoesNot) {
    settings.setPauseOnBattery(true);
    onBattery = true;
    started();
    const std::size_t before = shows();
    loop.advance(Seconds{900});
    EXPECT_EQ(shows(), before);
    EXPECT_EQ(nextChangeIn(), 300);
    engine().advance(true);
    EXPECT_EQ(current(), "a/2.jpg");

    onBattery = false;
    loop.advance(Seconds{300});
    EXPECT_EQ(current(), "a/3.jpg");
    settings.setPauseOnBattery(false);
    onBattery = true;
    loop.advance(Seconds{300});
    EXPECT_EQ(current(), "a/4.jpg");
}

TEST_F(TimingTest, PausingRemovesTheTimerAndResumingArmsAFullInterval) {
    started();
    loop.advance(Seconds{100});
    engine().setPaused(true);
    EXPECT_EQ(engine().nextChangeDate(), std::nullopt);
    loop.advance(Seconds{1000});
    EXPECT_EQ(current(), "a/1.jpg");
    engine().advance(false);
    post(kTimingChanged);
    EXPECT_EQ(engine().nextChangeDate(), std::nullopt);
    EXPECT_EQ(current(), "a/1.jpg");
    engine().setPaused(false);
    EXPECT_EQ(nextChangeIn(), 300);
}

TEST_F(TimingTest, ModesWithoutAClockArmNothing) {
    started();
    for (double interval :
         {DurationOption::never, DurationOption::onWake, 0.0, -0.5, -4.0, std::nan("")}) {
        settings.setIntervalSeconds(interval);
        EXPECT_EQ(engine().nextChangeDate(), std::nullopt) << interval;
    }
    settings.setIntervalSeconds(60);
    EXPECT_EQ(nextChangeIn(), 60);
}

TEST_F(TimingTest, WakeModeChangesOnEachWakeUnlessHeld) {
    settings.setIntervalSeconds(DurationOption::onWake);
    started();
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/2.jpg");
    engine().setPaused(true);
    post(kSystemDidWake);
    engine().setPaused(false);
    settings.setPauseOnBattery(true);
    onBattery = true;
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/2.jpg");

    settings.setIntervalSeconds(300); // other modes do not change on wake
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/2.jpg");
}

TEST_F(TimingTest, DailyChangeComesAtTheNextLocalOccurrenceOnceEvenIfTheTimerEndsEarly) {
    settings.setIntervalSeconds(DurationOption::daily);
    settings.setDailyChangeMinutes(480);
    started(); // Monday 09:00
    EXPECT_EQ(engine().nextChangeDate(), dayTime(24 + 8));
    settings.setDailyChangeMinutes(600);
    EXPECT_EQ(engine().nextChangeDate(), dayTime(10));
    loop.jumpWallClock(Seconds{-20}); // the wall clock slewed back after arming
    loop.advance(Seconds{3600});
    EXPECT_EQ(current(), "a/2.jpg");
    EXPECT_EQ(engine().nextChangeDate(), dayTime(24 + 10));
}

TEST_F(TimingTest, ClockAndZoneChangesRearmTheDailyTimer) {
    settings.setIntervalSeconds(DurationOption::daily);
    settings.setDailyChangeMinutes(600);
    started();
    loop.jumpWallClock(Seconds{2 * 3600}); // set to 11:00 without firing
    post(kSystemClockChanged);
    EXPECT_EQ(current(), "a/1.jpg");
    EXPECT_EQ(engine().nextChangeDate(), dayTime(24 + 10));

    ::setenv("TZ", "UTC-3", 1); // 14:00 local; 10:00 local is 07:00 UTC
    ::tzset();
    post(kSystemTimeZoneChanged);
    EXPECT_EQ(engine().nextChangeDate(), dayTime(24 + 7));
}

TEST_F(TimingTest, ChangesDueDuringSleepComeAtWake) {
    settings.setIntervalSeconds(DurationOption::daily);
    settings.setDailyChangeMinutes(600);
    started();
    loop.jumpWallClock(Seconds{1800}); // asleep until 09:30: not due yet
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/1.jpg");
    EXPECT_NEAR(nextChangeIn(), 1800, 1e-6);
    loop.jumpWallClock(Seconds{3 * 3600}); // asleep past 10:00
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/2.jpg");
    EXPECT_EQ(engine().nextChangeDate(), dayTime(24 + 10));

    settings.setIntervalSeconds(300);
    loop.advance(Seconds{100});
    loop.jumpWallClock(Seconds{250});
    post(kSystemDidWake);
    EXPECT_EQ(current(), "a/3.jpg");
}

} // namespace
} // namespace ks::test
