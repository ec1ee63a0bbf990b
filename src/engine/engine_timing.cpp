#include "engine/daily_time.h"
#include "engine/wallpaper_engine.h"
#include "settings/duration_option.h"
#include "settings/settings_store.h"

namespace ks {

void WallpaperEngine::restartTimer() {
    m_timer.cancel();
    m_dueDate.reset();
    const auto dailyFiredFor = std::exchange(m_dailyFiredFor, std::nullopt);
    if (m_paused)
        return;

    const double interval = m_settings.intervalSeconds();
    const SysTime now = m_loop.clock().now();
    if (interval == DurationOption::daily) {
        // The loop's monotonic wait can end a little before the wall clock reaches the
        // date; searching from the date itself keeps that from changing twice in a day.
        const SysTime from = dailyFiredFor && *dailyFiredFor > now ? *dailyFiredFor : now;
        const auto date = nextDailyDate(m_settings.dailyChangeMinutes(), from);
        if (!date)
            return;
        m_timer = m_loop.scheduleAt(*date, weakly(&WallpaperEngine::timerFired));
        m_dueDate = date;
    } else if (interval > 0) {
        const Seconds every = sanitizedInterval(Seconds{interval});
        m_timer = m_loop.scheduleRepeating(every, weakly(&WallpaperEngine::timerFired));
        m_dueDate = now + toSystem(every);
    }
}

void WallpaperEngine::timerFired() {
    if (m_settings.intervalSeconds() == DurationOption::daily)
        m_dailyFiredFor = m_dueDate;
    advance(false);
}

std::optional<SysTime> WallpaperEngine::nextChangeDate() const {
    return m_timer.fireDate();
}

void WallpaperEngine::timingChanged() {
    restartTimer();
}

void WallpaperEngine::clockChanged() {
    restartTimer();
}

void WallpaperEngine::systemWoke() {
    const double interval = m_settings.intervalSeconds();
    if (interval == DurationOption::onWake) {
        if (!m_paused)
            advance(false);
        return;
    }
    // The loop's waits stand still while the machine sleeps. A change that fell due
    // meanwhile comes now; a daily one still ahead is re-measured to its date.
    if (!m_timer.isActive() || !m_dueDate)
        return;
    if (m_loop.clock().now() >= *m_dueDate)
        timerFired();
    else if (interval == DurationOption::daily)
        restartTimer();
}

} // namespace ks
