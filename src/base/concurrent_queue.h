#pragma once

#include "base/task_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace ks {

// Runs work on a pool of threads, several items at once, started in queue order.
// Threads are started as work arrives, up to the limit. Destruction finishes what is queued.
class ConcurrentQueue final : public TaskQueue {
public:
    explicit ConcurrentQueue(std::string label, unsigned maxThreads = defaultThreadCount());
    ~ConcurrentQueue() override;
    ConcurrentQueue(const ConcurrentQueue&) = delete;
    ConcurrentQueue& operator=(const ConcurrentQueue&) = delete;

    void async(std::function<void()> work) override;
    const std::string& label() const override { return m_label; }
    unsigned maxThreads() const { return m_maxThreads; }

    static unsigned defaultThreadCount();

private:
    void run();

    std::string m_label;
    unsigned m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_work;
    unsigned m_idle = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace ks
