#pragma once

#include "base/task_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ks {

// Runs work one item at a time, in the order it was queued, on a thread of its own.
// The thread starts with the first item. Destruction finishes what is queued.
class SerialQueue final : public TaskQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> work) override;
    const std::string& label() const override { return m_label; }

private:
    void run();

    std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_work;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace ks
