#pragma once

#include "base/main_loop.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace ks {

// A main loop in virtual time for tests: nothing happens until the test advances it.
// `advance` moves both clocks and runs every call that falls due, in order of due time
// (ties in the order they were scheduled); `jumpWallClock` moves the wall clock alone,
// as a clock change or a sleep does.
class ManualLoop final : public MainLoop, public Clock {
public:
    explicit ManualLoop(SysTime start = defaultStart());
    ~ManualLoop() override;

    void post(std::function<void()> fn) override;
    Timer postAfter(Seconds delay, std::function<void()> fn) override;
    Timer scheduleAt(SysTime date, std::function<void()> fn) override;
    Timer scheduleRepeating(Seconds interval, std::function<void()> fn) override;
    const Clock& clock() const override { return *this; }

    SysTime now() const override { return m_wall; }
    MonoTime monotonicNow() const override { return m_mono; }

    // Runs posted calls (and what they post) and timers due now. Returns how many ran.
    std::size_t runPending();
    // Moves time forward, running each call when its due time is reached.
    void advance(Seconds seconds);
    void jumpWallClock(Seconds seconds);
    void setWallClock(SysTime date) { m_wall = date; }
    // Number of timers still waiting.
    std::size_t pendingTimers() const;
    // The due time of the earliest waiting timer, as an offset from now.
    std::optional<Seconds> nextDueIn() const;

    static SysTime defaultStart();

private:
    struct Entry;
    class Backend;
    friend class Backend;

    Timer schedule(MonoTime due, std::optional<Seconds> repeat, std::function<void()> fn);
    bool runOneDue(MonoTime limit);
    bool runOnePosted();
    SysTime wallFor(MonoTime t) const { return m_wall + toSystem(t - m_mono); }

    SysTime m_wall;
    MonoTime m_mono{};
    std::uint64_t m_nextSequence = 0;
    // Ordered by (due time, sequence).
    std::map<std::pair<MonoTime, std::uint64_t>, std::shared_ptr<Entry>> m_timers;
    mutable std::mutex m_postedMutex;
    std::deque<std::function<void()>> m_posted;
};

} // namespace ks
