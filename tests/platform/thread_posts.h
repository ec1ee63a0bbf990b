#pragma once

#include "base/main_loop.h"
#include "base/notification_center.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>

namespace ks::test {

// A main loop that queues what any thread posts until the test runs it. The event sources
// use no timers, so it has none.
class PostQueue final : public MainLoop {
public:
    void post(std::function<void()> fn) override {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(fn));
    }
    Timer postAfter(Seconds, std::function<void()>) override { return {}; }
    Timer scheduleAt(SysTime, std::function<void()>) override { return {}; }
    Timer scheduleRepeating(Seconds, std::function<void()>) override { return {}; }
    const Clock& clock() const override { return SystemClock::instance(); }

    std::size_t queued() const {
        std::lock_guard lock(m_mutex);
        return m_posted.size();
    }
    void runQueued() {
        std::unique_lock lock(m_mutex);
        while (!m_posted.empty()) {
            auto fn = std::move(m_posted.front());
            m_posted.pop_front();
            lock.unlock();
            fn();
            lock.lock();
        }
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};

// Counts the posts of one notification.
class PostCounter {
public:
    PostCounter(NotificationCenter& center, std::string_view name)
        : m_observation(center.addObserver(name, [this] { ++m_count; })) {}
    int count() const { return m_count; }

private:
    int m_count = 0;
    NotificationCenter::Observation m_observation;
};

// Waits for something another thread or process does (never for a timer of the code under
// test); false when it has not happened within `limit`.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs what the sources post until `done` holds.
inline bool runPostsUntil(PostQueue& loop, const std::function<bool()>& done) {
    return waitFor([&] {
        loop.runQueued();
        return done();
    });
}

} // namespace ks::test
