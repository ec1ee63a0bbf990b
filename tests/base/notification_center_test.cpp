#include "base/notification_center.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using ks::NotificationCenter;

TEST(NotificationCenter, DeliversOnlyToObserversOfTheName) {
    NotificationCenter center;
    int content = 0, timing = 0;
    auto a = center.addObserver(ks::kContentChanged, [&] { ++content; });
    auto b = center.addObserver(ks::kTimingChanged, [&] { ++timing; });
    center.post(ks::kContentChanged);
    center.post(ks::kContentChanged);
    EXPECT_EQ(content, 2);
    EXPECT_EQ(timing, 0);
}

TEST(NotificationCenter, DroppingTheObservationUnregisters) {
    NotificationCenter center;
    int calls = 0;
    std::optional<NotificationCenter::Observation> observation =
        center.addObserver("x", [&] { ++calls; });
    center.post("x");
    observation.reset();
    center.post("x");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserversRemovedDuringAPostAreNotCalledAfterwards) {
    NotificationCenter center;
    std::vector<int> calls;
    NotificationCenter::Observation second;
    auto first = center.addObserver("x", [&] {
        calls.push_back(1);
        second.reset();
    });
    second = center.addObserver("x", [&] { calls.push_back(2); });
    center.post("x");
    EXPECT_EQ(calls, (std::vector<int>{1}));
}

TEST(NotificationCenter, ObserversAddedDuringAPostWaitForTheNextOne) {
    NotificationCenter center;
    int late = 0;
    std::vector<NotificationCenter::Observation> added;
    auto first =
        center.addObserver("x", [&] { added.push_back(center.addObserver("x", [&] { ++late; })); });
    center.post("x");
    EXPECT_EQ(late, 0);
    center.post("x");
    EXPECT_EQ(late, 1);
}

TEST(NotificationCenter, ObservationOutlivingItsCentreIsHarmless) {
    NotificationCenter::Observation observation;
    {
        NotificationCenter center;
        observation = center.addObserver("x", [] {});
    }
    observation.reset();
}
