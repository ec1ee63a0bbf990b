#include "platform/qt/logind_wake_source.h"

#include "base/log.h"
#include "base/notification_center.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace ks {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

} // namespace

LogindWakeSource::LogindWakeSource(NotificationCenter& center, QDBusConnection bus)
    : m_center(center), m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        logLine("LogindWakeSource: no system bus; wake-ups will not be noticed");
        return;
    }
    m_subscribed =
        m_bus.connect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
    if (!m_subscribed) {
        logLine("LogindWakeSource: couldn't subscribe to logind's PrepareForSleep; wake-ups "
                "will not be noticed");
        return;
    }
    checkLogindRuns();
}

LogindWakeSource::~LogindWakeSource() {
    if (m_subscribed)
        m_bus.disconnect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
}

void LogindWakeSource::checkLogindRuns() {
    // Asked without waiting: the answer only decides whether the log says why nothing comes.
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), kService), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isValid() && !reply.value())
            logLine("LogindWakeSource: logind is not running; wake-ups will not be "
                    "noticed");
        call->deleteLater();
    });
}

void LogindWakeSource::prepareForSleep(bool goingToSleep) {
    if (!goingToSleep)
        m_center.post(kSystemDidWake);
}

} // namespace ks
