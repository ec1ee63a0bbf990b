#include "base/notification_center.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using ks::NotificationCenter;

TEST(NotificationCenter, DeliversByNameUntilTheObservationIsDropped) {
    NotificationCenter center;
    int content = 0, timing = 0;
    std::optional<NotificationCenter::Observation> a =
        center.addObserver(ks::kContentChanged, [&] { ++content; });
    auto b = center.addObserver(ks::kTimingChanged, [&] { ++timing; });
    center.post(ks::kContentChanged);
    center.post(ks::kContentChanged);
    a.reset();
    center.post(ks::kContentChanged);
    EXPECT_EQ(content, 2);
    EXPECT_EQ(timing, 0);
}

TEST(NotificationCenter, ChangesDuringAPostTakeEffectSafely) {
    NotificationCenter center;
    std::vector<int> calls;
    NotificationCenter::Observation second;
    std::vector<NotificationCenter::Observation> added;
    // The first observer removes the second (not called afterwards) and adds a third
    // (which waits for the next post).
    auto first = center.addObserver("x", [&] {
        calls.push_back(1);
        second.reset();
        added.push_back(center.addObserver("x", [&] { calls.push_back(3); }));
    });
    second = center.addObserver("x", [&] { calls.push_back(2); });
    center.post("x");
    EXPECT_EQ(calls, (std::vector<int>{1}));
    center.post("x");
    EXPECT_EQ(calls, (std::vector<int>{1, 1, 3}));

    NotificationCenter::Observation outliving;
    {
        NotificationCenter shortLived;
        outliving = shortLived.addObserver("x", [] {});
    }
    outliving.reset(); // harmless after its centre is gone
}
