#include "base/manual_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;
using ks::ManualLoop;
using ks::Seconds;
using ks::Timer;

TEST(ManualLoop, RunsCallsInDueOrderAtTheirDueTimeWithTiesInSchedulingOrder) {
    ManualLoop loop;
    const auto start = loop.now();
    std::vector<std::string> order;
    ks::SysTime seen{};
    Timer late = loop.postAfter(Seconds{2}, [&] { order.push_back("late"); });
    Timer first = loop.postAfter(Seconds{1}, [&] { order.push_back("first"); });
    Timer tie = loop.postAfter(Seconds{1}, [&] { order.push_back("tie"); });
    Timer odd = loop.postAfter(Seconds{1.25}, [&] { seen = loop.now(); });
    loop.post([&] {
        order.push_back("posted");
        loop.post([&] { order.push_back("posted by posted"); }); // runs in the same turn
    });

    EXPECT_EQ(loop.runPending(), 2u);
    loop.advance(Seconds{0.5});
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "posted by posted"}));
    loop.advance(Seconds{9.5});
    EXPECT_EQ(order,
              (std::vector<std::string>{"posted", "posted by posted", "first", "tie", "late"}));
    EXPECT_EQ(seen - start, ks::toSystem(Seconds{1.25}));
    EXPECT_EQ(loop.now() - start, ks::toSystem(Seconds{10}));
}

TEST(ManualLoop, CancelledDroppedReplacedOrOrphanedTimersNeverFire) {
    int fired = 0;
    Timer orphan;
    {
        ManualLoop loop;
        Timer cancelled = loop.postAfter(Seconds{1}, [&] { ++fired; });
        cancelled.cancel();
        {
            Timer dropped = loop.postAfter(Seconds{1}, [&] { ++fired; });
        }
        Timer replaced = loop.postAfter(Seconds{1}, [&] { ++fired; });
        replaced = loop.postAfter(Seconds{5}, [&] { fired += 10; });
        loop.advance(Seconds{2});
        EXPECT_EQ(fired, 0);
        EXPECT_EQ(loop.pendingTimers(), 1u);
        loop.advance(Seconds{5});
        EXPECT_EQ(fired, 10);
        EXPECT_FALSE(replaced.isActive());
        orphan = loop.postAfter(Seconds{1}, [] {});
    }
    EXPECT_FALSE(orphan.isActive());
    EXPECT_FALSE(orphan.fireDate());
}

TEST(ManualLoop, RepeatingTimerReportsItsNextFireDateAndCanCancelItself) {
    ManualLoop loop;
    const auto start = loop.now();
    int ticks = 0;
    Timer timer;
    timer = loop.scheduleRepeating(Seconds{30}, [&] {
        if (++ticks == 3)
            timer.cancel();
    });
    EXPECT_EQ(*timer.fireDate() - start, ks::toSystem(30s));
    loop.advance(Seconds{45});
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(*timer.fireDate() - start, ks::toSystem(60s));
    loop.advance(Seconds{600});
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.fireDate());
}

TEST(ManualLoop, DatesFireAtTheirDateOrAtOnceAndWallClockJumpsDoNotMoveDelays) {
    ManualLoop loop;
    int fired = 0;
    Timer future = loop.scheduleAt(loop.now() + 1h, [&] { ++fired; });
    Timer past = loop.scheduleAt(loop.now() - 1h, [&] { fired += 10; });
    EXPECT_EQ(*future.fireDate(), loop.now() + 1h);
    loop.runPending();
    EXPECT_EQ(fired, 10);
    loop.advance(Seconds{3599});
    EXPECT_EQ(fired, 10);
    loop.advance(Seconds{1});
    EXPECT_EQ(fired, 11);

    Timer delay = loop.postAfter(Seconds{60}, [&] { fired += 100; });
    const auto before = loop.monotonicNow();
    loop.jumpWallClock(Seconds{3600});
    loop.runPending();
    EXPECT_EQ(fired, 11);
    EXPECT_EQ(loop.monotonicNow(), before);
    loop.advance(Seconds{60});
    EXPECT_EQ(fired, 111);
}
