#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ks {

// A thread that sleeps in poll() on a few file descriptors and calls `onReady` on that thread
// with each one that becomes readable (or hung up, or in error), until the handler returns
// false or the watcher is destroyed. It wakes for nothing else, so an idle watcher costs no
// wake-ups. The descriptors stay the caller's; they must outlive the watcher.
class FdWatchThread {
public:
    using Handler = std::function<bool(int fd)>;

    // `name` names the thread.
    FdWatchThread(std::vector<int> fds, Handler onReady, std::string_view name);
    // Wakes the thread and joins it; the handler is not called afterwards.
    ~FdWatchThread();
    FdWatchThread(const FdWatchThread&) = delete;
    FdWatchThread& operator=(const FdWatchThread&) = delete;

    // False when the wake pipe or the thread could not be made: nothing is watched then.
    bool running() const { return m_thread.joinable(); }

private:
    void run(std::vector<int> fds, Handler onReady, std::string name);

    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
};

} // namespace ks
