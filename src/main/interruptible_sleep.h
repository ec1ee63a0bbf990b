#pragma once

#include "base/clock.h"

#include <condition_variable>
#include <mutex>

namespace ks {

// A pause between download attempts that ends early once the application quits, so that a
// background run never holds the process up.
class InterruptibleSleep {
public:
    // Waits `duration`, or until `interrupt`; from any thread.
    void sleep(Seconds duration) {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, duration, [this] { return m_interrupted; });
    }
    void interrupt() {
        {
            std::lock_guard lock(m_mutex);
            m_interrupted = true;
        }
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};

} // namespace ks
