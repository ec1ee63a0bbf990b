#pragma once

#include "base/clock.h"

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace ks {

// What a loop keeps for one scheduled call; the loop implementations subclass it.
class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    virtual void cancel() = 0;
    virtual bool isActive() const = 0;
    // The wall-clock date of the next firing, none once the timer is done or cancelled.
    virtual std::optional<SysTime> fireDate() const = 0;
};

// A scheduled call owned by whoever asked for it: dropping the Timer cancels the call,
// so an object that owns its timers can never be called back after it is gone.
class Timer {
public:
    Timer() = default;
    explicit Timer(std::shared_ptr<TimerBackend> backend) : m_backend(std::move(backend)) {}
    Timer(Timer&&) noexcept = default;
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            cancel();
            m_backend = std::move(other.m_backend);
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { cancel(); }

    void cancel() {
        if (m_backend)
            m_backend->cancel();
        m_backend.reset();
    }
    bool isActive() const { return m_backend && m_backend->isActive(); }
    std::optional<SysTime> fireDate() const {
        return m_backend ? m_backend->fireDate() : std::nullopt;
    }

private:
    std::shared_ptr<TimerBackend> m_backend;
};

// The main thread as the core sees it. `post` may be called from any thread; everything
// else is called on the main thread, and every callback runs there.
class MainLoop {
public:
    virtual ~MainLoop() = default;

    // Runs `fn` on a later turn of the loop, after what is already queued.
    virtual void post(std::function<void()> fn) = 0;
    // Runs `fn` once after `delay` of monotonic time.
    [[nodiscard]] virtual Timer postAfter(Seconds delay, std::function<void()> fn) = 0;
    // Runs `fn` once at the wall-clock `date` (at once when it has passed). The wait is
    // measured when the timer is made; owners re-arm after a clock change.
    [[nodiscard]] virtual Timer scheduleAt(SysTime date, std::function<void()> fn) = 0;
    // Runs `fn` every `interval` until the timer is cancelled.
    [[nodiscard]] virtual Timer scheduleRepeating(Seconds interval, std::function<void()> fn) = 0;

    virtual const Clock& clock() const = 0;

    // The application's main loop, for the process-wide services that reach it without being
    // handed one (the shared settings store). Set once by the process entry; none in tests
    // unless a test sets it.
    static MainLoop* shared();
    static void setShared(MainLoop* loop);
};

} // namespace ks
