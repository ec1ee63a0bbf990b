#include "platform/qt/qt_main_loop.h"

#include <QObject>
#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace ks {

namespace {

using std::chrono::milliseconds;

// Qt timers take an int of milliseconds; longer waits are armed in parts.
constexpr milliseconds kLongestWait{24 * 60 * 60 * 1000};

milliseconds waitFor(std::chrono::steady_clock::duration remaining) {
    // Rounded up so that a timer never fires before its due time.
    const auto wait = std::chrono::ceil<milliseconds>(remaining);
    return std::clamp(wait, milliseconds{0}, kLongestWait);
}

} // namespace

// Receives the Qt timer events of every timer of the loop; one Qt timer per armed wait.
class QtMainLoop::Dispatcher final : public QObject {
public:
    std::map<int, std::weak_ptr<Backend>> m_backends;

protected:
    void timerEvent(QTimerEvent* event) override;
};

class QtMainLoop::Backend final : public TimerBackend,
                                  public std::enable_shared_from_this<Backend> {
public:
    Backend(Dispatcher* dispatcher, MonoTime due, std::optional<Seconds> repeat,
            std::function<void()> fn)
        : m_dispatcher(dispatcher), m_due(due), m_repeat(repeat), m_fn(std::move(fn)) {}
    ~Backend() override { disarm(); }

    void arm() {
        const auto wait = waitFor(m_due - std::chrono::steady_clock::now());
        m_qtTimer = m_dispatcher->startTimer(wait, Qt::PreciseTimer);
        if (m_qtTimer != 0)
            m_dispatcher->m_backends[m_qtTimer] = weak_from_this();
    }

    void fire() {
        disarm();
        const auto now = std::chrono::steady_clock::now();
        if (now < m_due) {
            arm(); // a part of a long wait
            return;
        }
        std::function<void()> fn;
        if (m_repeat) {
            // Due dates advance by whole intervals so repeating timers neither drift nor lose
            // their phase; after a stall the firings that were missed are skipped.
            const auto interval = toSteady(*m_repeat);
            m_due += interval * ((now - m_due) / interval + 1);
            arm();
            fn = m_fn;
        } else {
            m_active = false;
            fn = std::move(m_fn);
            m_fn = nullptr;
        }
        // The call may cancel or destroy this timer, so nothing of it is touched afterwards.
        fn();
    }

    void cancel() override {
        m_active = false;
        disarm();
        m_fn = nullptr;
    }
    bool isActive() const override { return m_active && m_dispatcher; }
    std::optional<SysTime> fireDate() const override {
        if (!isActive())
            return std::nullopt;
        return std::chrono::system_clock::now() +
               toSystem(m_due - std::chrono::steady_clock::now());
    }

private:
    void disarm() {
        if (m_qtTimer != 0 && m_dispatcher) {
            m_dispatcher->killTimer(m_qtTimer);
            m_dispatcher->m_backends.erase(m_qtTimer);
        }
        m_qtTimer = 0;
    }

    // Gone when the loop is destroyed before the timer; Qt has then stopped its timers.
    QPointer<Dispatcher> m_dispatcher;
    MonoTime m_due;
    std::optional<Seconds> m_repeat;
    std::function<void()> m_fn;
    int m_qtTimer = 0;
    bool m_active = true;
};

void QtMainLoop::Dispatcher::timerEvent(QTimerEvent* event) {
    const auto it = m_backends.find(event->timerId());
    std::shared_ptr<Backend> backend;
    if (it != m_backends.end())
        backend = it->second.lock();
    if (!backend) {
        killTimer(event->timerId());
        if (it != m_backends.end())
            m_backends.erase(it);
        return;
    }
    backend->fire();
}

// Background work may post after the loop is gone, or while it is being destroyed; the gate
// lets a post reach the dispatcher only while it lives.
struct QtMainLoop::PostGate {
    std::mutex mutex;
    Dispatcher* dispatcher = nullptr;
};

QtMainLoop::QtMainLoop()
    : m_dispatcher(std::make_unique<Dispatcher>()), m_gate(std::make_shared<PostGate>()) {
    m_gate->dispatcher = m_dispatcher.get();
}

QtMainLoop::~QtMainLoop() {
    std::lock_guard lock(m_gate->mutex);
    m_gate->dispatcher = nullptr;
    // Deleting the dispatcher drops the calls still queued for it.
    m_dispatcher.reset();
}

void QtMainLoop::post(std::function<void()> fn) {
    std::lock_guard lock(m_gate->mutex);
    if (!m_gate->dispatcher)
        return;
    // Queued calls to one receiver are delivered in the order they were posted, from
    // whichever thread they come.
    QMetaObject::invokeMethod(
        m_gate->dispatcher, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

Timer QtMainLoop::postAfter(Seconds delay, std::function<void()> fn) {
    return schedule(delay, std::nullopt, std::move(fn));
}

Timer QtMainLoop::scheduleAt(SysTime date, std::function<void()> fn) {
    const auto now = std::chrono::system_clock::now();
    // Compared first: subtracting a date far in the past would overflow.
    const Seconds wait = date <= now ? Seconds{0} : Seconds{date - now};
    return schedule(wait, std::nullopt, std::move(fn));
}

Timer QtMainLoop::scheduleRepeating(Seconds interval, std::function<void()> fn) {
    interval = sanitizedInterval(interval);
    return schedule(interval, interval, std::move(fn));
}

Timer QtMainLoop::schedule(Seconds delay, std::optional<Seconds> repeat, std::function<void()> fn) {
    delay = sanitizedDelay(delay);
    auto backend = std::make_shared<Backend>(m_dispatcher.get(),
                                             std::chrono::steady_clock::now() + toSteady(delay),
                                             repeat, std::move(fn));
    backend->arm();
    return Timer(backend);
}

} // namespace ks
