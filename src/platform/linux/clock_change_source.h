#pragma once

#include "platform/linux/fd_watch_thread.h"
#include "platform/system_events.h"

#include <memory>

namespace ks {

class MainLoop;
class NotificationCenter;

// Posts kSystemClockChanged when the wall clock is set (by hand, by NTP stepping it, after a
// resume that corrects it). The kernel tells a realtime timerfd armed with
// TFD_TIMER_CANCEL_ON_SET: its read fails with ECANCELED whenever the clock jumps, so the
// watch costs nothing while the clock runs on. `center` must outlive the source.
class ClockChangeSource final : public SystemEventSource {
public:
    ClockChangeSource(MainLoop& loop, NotificationCenter& center);
    ~ClockChangeSource() override;
    ClockChangeSource(const ClockChangeSource&) = delete;
    ClockChangeSource& operator=(const ClockChangeSource&) = delete;

    // False when the timer could not be made or armed: nothing is posted then.
    bool watching() const { return m_watch && m_watch->running(); }

private:
    bool arm();
    bool onReady();

    MainLoop& m_loop;
    NotificationCenter& m_center;
    int m_timer = -1;
    // What a posted call checks first: gone once the source is.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    std::unique_ptr<FdWatchThread> m_watch;
};

} // namespace ks
