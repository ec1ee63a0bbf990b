#pragma once

#include "base/manual_loop.h"
#include "base/manual_queue.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace ks::test {

// The main loop in virtual time and background queues that run only when drained, so a test
// decides when background work happens and never sleeps.
class TestEnvironment {
public:
    ManualLoop loop;

    // A queue this environment drains; it lives as long as the environment.
    ManualQueue& queue(const std::string& label) {
        for (auto& queue : m_queues)
            if (queue->label() == label)
                return *queue;
        return *m_queues.emplace_back(std::make_unique<ManualQueue>(label));
    }

    // Runs posted calls, due timers and queued work, including what they start, until
    // nothing is left to run now.
    void runUntilIdle() {
        for (bool ran = true; ran;) {
            ran = loop.runPending() > 0;
            for (auto& queue : m_queues)
                ran = queue->runAll() > 0 || ran;
        }
    }
    // Moves time on in steps of at most `step`, running everything that falls due on the way.
    void advance(Seconds seconds, Seconds step = Seconds(0.01)) {
        runUntilIdle();
        while (seconds > Seconds(0)) {
            const Seconds now = std::min(seconds, step);
            loop.advance(now);
            runUntilIdle();
            seconds -= now;
        }
    }

private:
    std::vector<std::unique_ptr<ManualQueue>> m_queues;
};

} // namespace ks::test
