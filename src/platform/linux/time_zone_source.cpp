#include "platform/linux/time_zone_source.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/notification_center.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/inotify.h>
#include <unistd.h>

namespace ks {

namespace {

bool isZoneFile(std::string_view name) {
    return name == "localtime" || name == "timezone";
}

} // namespace

TimeZoneSource::TimeZoneSource(MainLoop& loop, NotificationCenter& center,
                               std::filesystem::path folder)
    : m_loop(loop), m_center(center), m_folder(std::move(folder)) {
    m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    // What replacing, rewriting or removing a file does to its folder; a symlink that is
    // made in place only shows as created.
    constexpr std::uint32_t kMask =
        IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ONLYDIR;
    if (m_inotify < 0 || ::inotify_add_watch(m_inotify, m_folder.c_str(), kMask) < 0) {
        logLine("TimeZoneSource: can't watch " + m_folder.string() + " (" + std::strerror(errno) +
                "); time zone changes will not be noticed");
        return;
    }
    m_watch = std::make_unique<FdWatchThread>(
        std::vector<int>{m_inotify}, [this](int) { return onReady(); }, "time-zone");
    if (!m_watch->running())
        logLine("TimeZoneSource: no watcher thread; time zone changes will not be noticed");
}

TimeZoneSource::~TimeZoneSource() {
    m_watch.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool TimeZoneSource::onReady() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t got = ::read(m_inotify, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            break;
        if (got <= 0) {
            logLine(std::string("TimeZoneSource: couldn't read its watch (") +
                    std::strerror(errno) + "); time zone changes will not be noticed");
            return false;
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            // The name is padded with NULs to its length; strnlen keeps to the buffer.
            const std::string_view file(name, ::strnlen(name, event.len));
            // An overflowed queue may have dropped the event that mattered.
            if ((event.mask & IN_Q_OVERFLOW) || (event.len > 0 && isZoneFile(file)))
                changed = true;
            if (event.mask & IN_IGNORED) {
                logLine("TimeZoneSource: " + m_folder.string() +
                        " is gone; time zone changes will not be noticed");
                return false;
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    // One post for everything read at once: replacing a file is several events.
    if (changed) {
        m_loop.post([alive = std::weak_ptr<int>(m_alive), center = &m_center] {
            if (!alive.lock())
                return;
            // The C library reads the zone once; it has to be told to read it again.
            ::tzset();
            center->post(kSystemTimeZoneChanged);
        });
    }
    return true;
}

} // namespace ks
