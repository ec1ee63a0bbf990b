#include "base/manual_loop.h"

namespace ks {

struct ManualLoop::Entry {
    std::function<void()> fn;
    std::optional<Seconds> repeat;
    MonoTime due;
    std::uint64_t sequence = 0;
    bool cancelled = false;
    const ManualLoop* loop = nullptr;
};

class ManualLoop::Backend final : public TimerBackend {
public:
    explicit Backend(std::shared_ptr<Entry> entry) : m_entry(std::move(entry)) {}
    void cancel() override { m_entry->cancelled = true; }
    bool isActive() const override { return !m_entry->cancelled && m_entry->loop; }
    std::optional<SysTime> fireDate() const override {
        if (!isActive())
            return std::nullopt;
        return m_entry->loop->wallFor(m_entry->due);
    }

private:
    std::shared_ptr<Entry> m_entry;
};

SysTime ManualLoop::defaultStart() {
    // 2026-03-02 09:00:00 UTC: an ordinary Monday morning, far from any time-zone change.
    return SysTime{std::chrono::seconds{1772442000}};
}

ManualLoop::ManualLoop(SysTime start) : m_wall(start) {}

ManualLoop::~ManualLoop() {
    for (auto& [key, entry] : m_timers) {
        entry->loop = nullptr;
        entry->cancelled = true;
    }
}

void ManualLoop::post(std::function<void()> fn) {
    std::lock_guard lock(m_postedMutex);
    m_posted.push_back(std::move(fn));
}

Timer ManualLoop::schedule(MonoTime due, std::optional<Seconds> repeat, std::function<void()> fn) {
    auto entry = std::make_shared<Entry>();
    entry->fn = std::move(fn);
    entry->repeat = repeat;
    entry->due = due;
    entry->sequence = m_nextSequence++;
    entry->loop = this;
    m_timers.emplace(std::pair{due, entry->sequence}, entry);
    return Timer(std::make_shared<Backend>(entry));
}

Timer ManualLoop::postAfter(Seconds delay, std::function<void()> fn) {
    return schedule(m_mono + toSteady(sanitizedDelay(delay)), std::nullopt, std::move(fn));
}

Timer ManualLoop::scheduleAt(SysTime date, std::function<void()> fn) {
    // Compared first: subtracting a date far in the past would overflow.
    const auto wait = date <= m_wall ? Seconds{0} : sanitizedDelay(Seconds{date - m_wall});
    return schedule(m_mono + toSteady(wait), std::nullopt, std::move(fn));
}

Timer ManualLoop::scheduleRepeating(Seconds interval, std::function<void()> fn) {
    interval = sanitizedInterval(interval);
    return schedule(m_mono + toSteady(interval), interval, std::move(fn));
}

bool ManualLoop::runOnePosted() {
    std::function<void()> fn;
    {
        std::lock_guard lock(m_postedMutex);
        if (m_posted.empty())
            return false;
        fn = std::move(m_posted.front());
        m_posted.pop_front();
    }
    fn();
    return true;
}

bool ManualLoop::runOneDue(MonoTime limit) {
    while (!m_timers.empty()) {
        auto it = m_timers.begin();
        auto entry = it->second;
        if (entry->cancelled) {
            m_timers.erase(it);
            continue;
        }
        if (entry->due > limit)
            return false;
        m_timers.erase(it);
        if (entry->due > m_mono) {
            m_wall += toSystem(entry->due - m_mono);
            m_mono = entry->due;
        }
        if (entry->repeat) {
            entry->due = m_mono + toSteady(*entry->repeat);
            entry->sequence = m_nextSequence++;
            m_timers.emplace(std::pair{entry->due, entry->sequence}, entry);
        } else {
            entry->cancelled = true;
        }
        // Copy: the callback may cancel or drop its own timer.
        auto fn = entry->fn;
        fn();
        return true;
    }
    return false;
}

std::size_t ManualLoop::runPending() {
    std::size_t ran = 0;
    for (;;) {
        if (runOnePosted()) {
            ++ran;
            continue;
        }
        if (runOneDue(m_mono)) {
            ++ran;
            continue;
        }
        return ran;
    }
}

void ManualLoop::advance(Seconds seconds) {
    const MonoTime target = m_mono + toSteady(sanitizedDelay(seconds));
    runPending();
    while (runOneDue(target))
        runPending();
    if (target > m_mono) {
        m_wall += toSystem(target - m_mono);
        m_mono = target;
    }
    runPending();
}

void ManualLoop::jumpWallClock(Seconds seconds) {
    m_wall += toSystem(seconds);
}

std::size_t ManualLoop::pendingTimers() const {
    std::size_t count = 0;
    for (const auto& [key, entry] : m_timers)
        count += entry->cancelled ? 0 : 1;
    return count;
}

std::optional<Seconds> ManualLoop::nextDueIn() const {
    for (const auto& [key, entry] : m_timers)
        if (!entry->cancelled)
            return Seconds{entry->due - m_mono};
    return std::nullopt;
}

} // namespace ks
