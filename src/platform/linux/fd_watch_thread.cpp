#include "platform/linux/fd_watch_thread.h"

#include "base/thread_name.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>

namespace ks {

FdWatchThread::FdWatchThread(std::vector<int> fds, Handler onReady, std::string_view name) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_wakeRead = pipeEnds[0];
    m_wakeWrite = pipeEnds[1];
    try {
        m_thread = std::thread(&FdWatchThread::run, this, std::move(fds), std::move(onReady),
                               std::string(name));
    } catch (const std::system_error&) {
        // No thread: running() says so and the destructor only closes the pipe.
    }
}

FdWatchThread::~FdWatchThread() {
    if (m_thread.joinable()) {
        const char byte = 0;
        // A full pipe already holds a wake-up, so a failed write loses nothing.
        while (::write(m_wakeWrite, &byte, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    if (m_wakeRead >= 0)
        ::close(m_wakeRead);
    if (m_wakeWrite >= 0)
        ::close(m_wakeWrite);
}

void FdWatchThread::run(std::vector<int> fds, Handler onReady, std::string name) {
    nameThisThread(name);
    std::vector<pollfd> polled;
    polled.push_back({m_wakeRead, POLLIN, 0});
    for (const int fd : fds)
        polled.push_back({fd, POLLIN, 0});
    for (;;) {
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (polled[0].revents != 0)
            return;
        for (std::size_t i = 1; i < polled.size(); ++i) {
            // A hang-up or an error is handed over too: the handler finds out by reading and
            // returns false, instead of this loop spinning on a descriptor that stays ready.
            if (polled[i].revents != 0 && !onReady(polled[i].fd))
                return;
        }
    }
}

} // namespace ks
