#include "base/concurrent_queue.h"

#include "base/thread_name.h"

#include <algorithm>

namespace ks {

unsigned ConcurrentQueue::defaultThreadCount() {
    return std::max(2u, std::thread::hardware_concurrency());
}

ConcurrentQueue::ConcurrentQueue(std::string label, unsigned maxThreads)
    : m_label(std::move(label)), m_maxThreads(std::max(1u, maxThreads)) {}

ConcurrentQueue::~ConcurrentQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void ConcurrentQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
        if (m_idle < m_work.size() && m_threads.size() < m_maxThreads)
            m_threads.emplace_back([this] { run(); });
    }
    m_wake.notify_one();
}

void ConcurrentQueue::run() {
    nameThisThread(m_label);
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_mutex);
            ++m_idle;
            m_wake.wait(lock, [this] { return m_stopping || !m_work.empty(); });
            --m_idle;
            if (m_work.empty())
                return;
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
    }
}

} // namespace ks
