#include "platform/linux/clock_change_source.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/notification_center.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <sys/timerfd.h>
#include <unistd.h>

namespace ks {

namespace {

void logFailure(const char* what) {
    logLine(std::string("ClockChangeSource: ") + what + " (" + std::strerror(errno) +
            "); clock changes will not be noticed");
}

} // namespace

ClockChangeSource::ClockChangeSource(MainLoop& loop, NotificationCenter& center)
    : m_loop(loop), m_center(center) {
    m_timer = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    if (m_timer < 0) {
        logFailure("no timerfd");
        return;
    }
    if (!arm()) {
        logFailure("couldn't arm the timerfd");
        return;
    }
    m_watch = std::make_unique<FdWatchThread>(
        std::vector<int>{m_timer}, [this](int) { return onReady(); }, "clock-change");
    if (!m_watch->running())
        logLine("ClockChangeSource: no watcher thread; clock changes will not be noticed");
}

ClockChangeSource::~ClockChangeSource() {
    // The thread polls the timer: it ends before the descriptor closes.
    m_watch.reset();
    if (m_timer >= 0)
        ::close(m_timer);
}

bool ClockChangeSource::arm() {
    // An expiry that never comes (the kernel saturates it to its own far end): only the
    // cancellation on a clock change matters.
    itimerspec neverExpires{};
    neverExpires.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return ::timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &neverExpires,
                             nullptr) == 0;
}

bool ClockChangeSource::onReady() {
    std::uint64_t expirations = 0;
    const ssize_t got = ::read(m_timer, &expirations, sizeof expirations);
    if (got < 0 && errno == EAGAIN)
        return true;
    if (got < 0 && errno != ECANCELED) {
        logFailure("couldn't read the timerfd");
        return false;
    }
    // A cancelled timer stays disarmed until it is set again.
    if (!arm()) {
        logFailure("couldn't re-arm the timerfd");
        return false;
    }
    if (got < 0) {
        m_loop.post([alive = std::weak_ptr<int>(m_alive), center = &m_center] {
            if (alive.lock())
                center->post(kSystemClockChanged);
        });
    }
    return true;
}

} // namespace ks
