#pragma once

#include "platform/linux/fd_watch_thread.h"
#include "platform/system_events.h"

#include <filesystem>
#include <memory>

namespace ks {

class MainLoop;
class NotificationCenter;

// Posts kSystemTimeZoneChanged, after tzset(), when the system's zone changes: "localtime"
// (the zone file, usually a symlink that tools replace by a rename) or "timezone" (Debian's
// zone name) in `folder` is created, replaced, rewritten or removed. The folder is watched
// rather than the files, since a watch on a file follows it, not its name, and is lost when
// the file is replaced. `center` must outlive the source.
class TimeZoneSource final : public SystemEventSource {
public:
    TimeZoneSource(MainLoop& loop, NotificationCenter& center,
                   std::filesystem::path folder = "/etc");
    ~TimeZoneSource() override;
    TimeZoneSource(const TimeZoneSource&) = delete;
    TimeZoneSource& operator=(const TimeZoneSource&) = delete;

    // False when the folder could not be watched: nothing is posted then.
    bool watching() const { return m_watch && m_watch->running(); }

private:
    bool onReady();

    MainLoop& m_loop;
    NotificationCenter& m_center;
    std::filesystem::path m_folder;
    int m_inotify = -1;
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    std::unique_ptr<FdWatchThread> m_watch;
};

} // namespace ks
