#include "platform/qt/qt_main_loop.h"

#include <QObject>
#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

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
            // Due dates advance by whole intervals so repeating timers do not drift; after a
            // stall the next firing is one interval from now.
            m_due += toSteady(*m_repeat);
            if (m_due <= now)
                m_due = now + toSteady(*m_repeat);
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

QtMainLoop::QtMainLoop() : m_dispatcher(std::make_unique<Dispatcher>()) {}

QtMainLoop::~QtMainLoop() = default;

void QtMainLoop::post(std::function<void()> fn) {
    // Queued calls to one receiver are delivered in the order they were posted, from
    // whichever thread they come.
    QMetaObject::invokeMethod(
        m_dispatcher.get(), [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

Timer QtMainLoop::postAfter(Seconds delay, std::function<void()> fn) {
    return schedule(delay, std::nullopt, std::move(fn));
}

Timer QtMainLoop::scheduleAt(SysTime date, std::function<void()> fn) {
    return schedule(date - std::chrono::system_clock::now(), std::nullopt, std::move(fn));
}

Timer QtMainLoop::scheduleRepeating(Seconds interval, std::function<void()> fn) {
    return schedule(interval, interval, std::move(fn));
}

Timer QtMainLoop::schedule(Seconds delay, std::optional<Seconds> repeat, std::function<void()> fn) {
    if (!(delay.count() > 0)) // also catches NaN
        delay = Seconds{0};
    auto backend = std::make_shared<Backend>(m_dispatcher.get(),
                                             std::chrono::steady_clock::now() + toSteady(delay),
                                             repeat, std::move(fn));
    backend->arm();
    return Timer(backend);
}

} // namespace ks
