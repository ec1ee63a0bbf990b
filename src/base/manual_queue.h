#pragma once

#include "base/task_queue.h"

#include <deque>
#include <mutex>

namespace ks {

// A queue for tests: work waits until the test drains it, on the test's thread.
class ManualQueue final : public TaskQueue {
public:
    explicit ManualQueue(std::string label = "manual") : m_label(std::move(label)) {}

    void async(std::function<void()> work) override {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    const std::string& label() const override { return m_label; }

    std::size_t size() const {
        std::lock_guard lock(m_mutex);
        return m_work.size();
    }
    // Runs the oldest item; false when there was none.
    bool runOne() {
        std::function<void()> work;
        {
            std::lock_guard lock(m_mutex);
            if (m_work.empty())
                return false;
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
        return true;
    }
    // Runs everything, including work queued by the work itself. Returns how many ran.
    std::size_t runAll() {
        std::size_t ran = 0;
        while (runOne())
            ++ran;
        return ran;
    }

private:
    std::string m_label;
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_work;
};

} // namespace ks
