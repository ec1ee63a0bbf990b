#pragma once

#include "platform/system_events.h"

#include <QDBusConnection>
#include <QObject>

namespace ks {

class NotificationCenter;

// Posts kSystemDidWake when systemd-logind reports the end of a sleep: its PrepareForSleep
// signal with false. Only the signal sent by the owner of logind's bus name counts, since
// anyone on the bus may send one with the same path and interface. `center` must outlive
// the source.
class LogindWakeSource final : public QObject, public SystemEventSource {
    Q_OBJECT

public:
    explicit LogindWakeSource(NotificationCenter& center,
                              QDBusConnection bus = QDBusConnection::systemBus());
    ~LogindWakeSource() override;

private slots:
    void prepareForSleep(bool goingToSleep);

private:
    void checkLogindRuns();

    NotificationCenter& m_center;
    QDBusConnection m_bus;
    bool m_subscribed = false;
};

} // namespace ks
