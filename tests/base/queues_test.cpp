#include "base/concurrent_queue.h"
#include "base/manual_queue.h"
#include "base/serial_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <vector>

TEST(SerialQueue, RunsWorkOneAtATimeInOrderAndFinishesItBeforeDestruction) {
    std::vector<int> order;
    std::atomic<int> running{0};
    bool overlapped = false;
    {
        ks::SerialQueue queue("test.serial");
        for (int i = 0; i < 200; ++i)
            queue.async([&, i] {
                overlapped |= running.fetch_add(1) != 0;
                order.push_back(i);
                running.fetch_sub(1);
            });
    }
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(overlapped);
}

TEST(ConcurrentQueue, RunsItemsAtOnceAndFinishesThemBeforeDestruction) {
    std::mutex mutex;
    std::condition_variable changed;
    int arrived = 0;
    int together = 0;
    std::atomic<int> done{0};
    {
        ks::ConcurrentQueue queue("test.concurrent", 2);
        // Each of the two waits for the other: only a queue that runs both at once finishes.
        for (int i = 0; i < 2; ++i)
            queue.async([&] {
                std::unique_lock lock(mutex);
                ++arrived;
                changed.notify_all();
                together +=
                    changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrived == 2; });
            });
        for (int i = 0; i < 1000; ++i)
            queue.async([&] { done.fetch_add(1); });
    }
    EXPECT_EQ(together, 2);
    EXPECT_EQ(done.load(), 1000);
}

TEST(ManualQueue, RunsOnlyWhenDrainedIncludingWorkQueuedByWork) {
    ks::ManualQueue queue;
    int runs = 0;
    queue.async([&] {
        ++runs;
        queue.async([&] { ++runs; });
    });
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(queue.runAll(), 2u);
    EXPECT_EQ(runs, 2);
}
