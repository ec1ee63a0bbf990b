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

// A main loop that queues what any thread posts until the test runs it; the event sources
// use no timers.
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
        for (std::unique_lock lock(m_mutex); !m_posted.empty(); lock.lock()) {
            auto fn = std::move(m_posted.front());
            m_posted.pop_front();
            lock.unlock();
            fn();
        }
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};

// Counts the posts of one notification.
struct PostCounter {
    PostCounter(NotificationCenter& center, std::string_view name)
        : observation(center.addObserver(name, [this] { ++count; })) {}
    int count = 0;
    NotificationCenter::Observation observation;
};

// Waits, running `step` between looks, for what another thread or process does (never for a
// timer of the code under test); false when it has not happened within 20 s.
inline bool waitFor(const std::function<bool()>& done, const std::function<void()>& step = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        if (step)
            step();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace ks::test
