#pragma once

#include "qt_wait.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace ks::test {

// Returns once the bus has handled everything `connection` sent before: its subscriptions are
// in place and its messages passed on.
inline void syncWithBus(const QDBusConnection& connection) {
    connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

// Returns once `receiver` has handled everything `sender` sent before: the bus has passed it
// on before it answers `receiver`'s own call, and the slots it reaches run in this loop.
inline void settle(const QDBusConnection& sender, const QDBusConnection& receiver) {
    syncWithBus(sender);
    syncWithBus(receiver);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A D-Bus daemon of the test's own, with a policy that lets anyone own any name and
// nothing activated on demand (no real portal or logind can answer on it).
class PrivateBus {
public:
    static bool available() { return !QStandardPaths::findExecutable("dbus-daemon").isEmpty(); }

    PrivateBus() {
        const QString config = m_folder.filePath("bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type>\n<listen>unix:dir=" +
                   m_folder.path().toUtf8() +
                   "</listen>\n<auth>EXTERNAL</auth>\n"
                   "<policy context=\"default\"><allow send_destination=\"*\"/>"
                   "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>\n</busconfig>\n");
        file.close();
        m_daemon.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address"});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(20000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !m_address.isEmpty(); }
    // A new connection to it, closed with the bus.
    QDBusConnection connect() {
        // Connection names are process-wide.
        static int serial = 0;
        const QString name = QStringLiteral("ks-test-%1").arg(++serial);
        m_names.push_back(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

} // namespace ks::test
