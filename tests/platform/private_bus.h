#pragma once

#include "qt_wait.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ks::test {

// Returns once the bus has handled everything `connection` sent before: its subscriptions are
// in place and its messages passed on.
inline void syncWithBus(const QDBusConnection& connection) {
    connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

// Returns once `receiver` has handled everything `sender` sent before: the bus passes that on
// before it answers `receiver`'s own call, and the slots it reaches run in this loop.
inline void settle(const QDBusConnection& sender, const QDBusConnection& receiver) {
    syncWithBus(sender);
    syncWithBus(receiver);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A D-Bus daemon of the test's own that lets anyone own any name and activates nothing, so no
// real portal or logind can answer on it.
class PrivateBus {
public:
    PrivateBus() {
        ensureQtApplication();
        QFile config(m_folder.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write("<busconfig><type>session</type><listen>unix:dir=" + m_folder.path().toUtf8() +
                     "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                     "<allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        m_daemon.start("dbus-daemon",
                       {"--config-file=" + config.fileName(), "--nofork", "--print-address"});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(20000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    bool running() const { return !m_address.isEmpty(); }
    // A new connection to it, closed with the bus. Connection names are process-wide.
    QDBusConnection connect() {
        static int serial = 0;
        m_names.push_back(QStringLiteral("ks-test-%1").arg(++serial));
        return QDBusConnection::connectToBus(m_address, m_names.back());
    }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// The tests of a source on the bus: skipped where dbus-daemon is not installed.
class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(m_bus.running());
    }

    PrivateBus m_bus;
    // The connection the source under test watches.
    QDBusConnection m_watching = m_bus.connect();
    NotificationCenter m_center;
};

} // namespace ks::test
