#include "platform/qt/qt_main_loop.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <thread>
#include <vector>

namespace ks {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

class QtMainLoopTest : public ::testing::Test {
protected:
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        const auto end = Steady::now() + timeout;
        while (!done()) {
            if (Steady::now() > end)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(500us);
        }
        return true;
    }
    void runFor(std::chrono::milliseconds span) {
        runUntil([] { return false; }, span);
    }

    int m_argc = 1;
    char m_name[16] = "qt_main_loop";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
    QtMainLoop m_loop;
};

TEST_F(QtMainLoopTest, PostsRunLaterInOrderOnTheMainThreadFromAnyThread) {
    std::vector<int> order;
    m_loop.post([&] {
        order.push_back(1);
        m_loop.post([&] { order.push_back(3); });
    });
    m_loop.post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty()); // never inline
    ASSERT_TRUE(runUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

    const auto mainThread = std::this_thread::get_id();
    std::vector<int> fromA, fromB, expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    bool allOnMain = true;
    auto poster = [&](std::vector<int>& into) {
        for (int i = 0; i < 200; ++i)
            m_loop.post([&, i] {
                allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
                into.push_back(i);
            });
    };
    std::thread a(poster, std::ref(fromA));
    std::thread b(poster, std::ref(fromB));
    ASSERT_TRUE(runUntil([&] { return fromA.size() == 200 && fromB.size() == 200; }));
    a.join();
    b.join();
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(fromA, expected);
    EXPECT_EQ(fromB, expected);
}

TEST_F(QtMainLoopTest, OneShotTimersFireOnceNeverEarlyInDueOrderUnlessCancelled) {
    std::vector<std::string> order;
    const auto start = Steady::now();
    Steady::time_point firedAt{};
    auto later = m_loop.postAfter(Seconds(0.06), [&] {
        firedAt = Steady::now();
        order.push_back("later");
    });
    auto sooner = m_loop.postAfter(Seconds(0.02), [&] { order.push_back("sooner"); });
    auto past =
        m_loop.scheduleAt(std::chrono::system_clock::now() - 1h, [&] { order.push_back("past"); });
    EXPECT_TRUE(later.isActive() && later.fireDate());

    auto cancelled = m_loop.postAfter(Seconds(0.01), [&] { order.push_back("cancelled"); });
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isActive() || cancelled.fireDate());
    {
        auto dropped = m_loop.scheduleRepeating(Seconds(0.01), [&] { order.push_back("dropped"); });
    }
    // Assigning over a live timer cancels the old one.
    auto replaced = m_loop.postAfter(Seconds(0.01), [&] { order.push_back("replaced"); });
    replaced = m_loop.postAfter(Seconds(10.0), [&] { order.push_back("replacement"); });

    ASSERT_TRUE(runUntil([&] { return order.size() == 3; }));
    EXPECT_GE(firedAt - start, 60ms);
    EXPECT_FALSE(later.isActive() || later.fireDate());
    runFor(50ms);
    EXPECT_EQ(order, (std::vector<std::string>{"past", "sooner", "later"}));
    EXPECT_TRUE(replaced.isActive());
}

TEST_F(QtMainLoopTest, RepeatingTimerAdvancesItsFireDateByWholeIntervals) {
    constexpr auto interval = 30ms;
    Timer timer;
    std::vector<std::chrono::system_clock::time_point> dates;
    int fired = 0;
    timer = m_loop.scheduleRepeating(Seconds(interval), [&] {
        ++fired;
        const auto date = timer.fireDate();
        ASSERT_TRUE(date);
        EXPECT_GT(*date, std::chrono::system_clock::now());
        dates.push_back(*date);
        // A timer may end itself from its own callback.
        if (fired == 4)
            timer.cancel();
    });
    const auto first = timer.fireDate();
    ASSERT_TRUE(first);
    EXPECT_NEAR(std::chrono::duration<double>(*first - std::chrono::system_clock::now()).count(),
                0.03, 0.02);
    ASSERT_TRUE(runUntil([&] { return fired == 4; }));
    runFor(100ms);
    EXPECT_EQ(fired, 4);
    EXPECT_FALSE(timer.isActive());
    // Dates lie whole intervals apart (more than one only after a stall): no drift.
    for (std::size_t i = 1; i < dates.size(); ++i) {
        const double steps = std::chrono::duration<double>(dates[i] - dates[i - 1]) /
                             std::chrono::duration<double>(interval);
        EXPECT_GE(steps, 0.9);
        EXPECT_NEAR(steps, std::round(steps), 0.1);
    }
}

TEST_F(QtMainLoopTest, TimersAndCallsThatOutliveTheirLoopOrDestroyThemselvesAreSafe) {
    auto self = std::make_unique<Timer>();
    bool fired = false;
    *self = m_loop.postAfter(Seconds(0.0), [&] {
        fired = true;
        self.reset();
    });
    Timer survivor;
    auto loop = std::make_unique<QtMainLoop>();
    survivor = loop->postAfter(Seconds(0.01), [] { FAIL() << "fired after its loop was gone"; });
    int ran = 0;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            loop->post([&] { ++ran; });
    });
    poster.join();
    loop.reset();
    ASSERT_TRUE(runUntil([&] { return fired; }));
    EXPECT_FALSE(self);
    runFor(40ms);
    EXPECT_EQ(ran, 0) << "calls still queued when the loop goes are dropped";
    survivor.cancel();
}

TEST_F(QtMainLoopTest, HostileDelaysNeitherSpinNorOverflow) {
    int repeats = 0, nanFired = 0;
    Timer spinning = m_loop.scheduleRepeating(Seconds(0.0), [&] { ++repeats; });
    Timer nan = m_loop.postAfter(Seconds(std::nan("")), [&] { ++nanFired; });
    Timer far = m_loop.scheduleAt(SysTime::max(), [] { FAIL() << "a date at the end of time"; });
    Timer past = m_loop.scheduleAt(SysTime::min(), [&] { ++nanFired; });
    runFor(50ms);
    EXPECT_EQ(nanFired, 2);
    // At most one firing a millisecond.
    EXPECT_GT(repeats, 0);
    EXPECT_LE(repeats, 60);
    EXPECT_TRUE(far.isActive());
}

} // namespace
} // namespace ks
