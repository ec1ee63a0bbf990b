// The wake source against a stand-in for logind on a private bus.

#include "platform/qt/logind_wake_source.h"
#include "private_bus.h"
#include "support/log_capture.h"
#include "thread_posts.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <gtest/gtest.h>

namespace ks {
namespace {

QDBusMessage prepareForSleep(bool goingToSleep) {
    auto signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                             "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << goingToSleep;
    return signal;
}

class LogindWakeSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::PrivateBus::available())
            GTEST_SKIP() << "dbus-daemon is not installed";
        test::ensureQtApplication();
        ASSERT_TRUE(m_bus.running());
    }

    test::PrivateBus m_bus;
    NotificationCenter m_center;
    test::PostCounter m_wakes{m_center, kSystemDidWake};
};

TEST_F(LogindWakeSourceTest, OnlyLogindsEndOfSleepPosts) {
    QDBusConnection logind = m_bus.connect();
    ASSERT_EQ(logind.interface()->registerService("org.freedesktop.login1").value(),
              QDBusConnectionInterface::ServiceRegistered);
    QDBusConnection impostor = m_bus.connect();
    QDBusConnection watching = m_bus.connect();
    LogindWakeSource source(m_center, watching);
    test::syncWithBus(watching);

    // The bus passes on what one connection sends in order, and answers a call only after
    // what was sent before it: the impostor's signal reaches the source before logind's ends
    // of sleep.
    ASSERT_TRUE(logind.send(prepareForSleep(true)));
    ASSERT_TRUE(impostor.send(prepareForSleep(false)));
    test::syncWithBus(impostor);
    ASSERT_TRUE(logind.send(prepareForSleep(false)));
    ASSERT_TRUE(test::spinUntil([&] { return m_wakes.count() >= 1; }));
    test::settle(logind, watching);
    EXPECT_EQ(m_wakes.count(), 1);
}

TEST_F(LogindWakeSourceTest, WithoutLogindOrABusItSaysSoOnce) {
    test::LogCapture log;
    {
        LogindWakeSource source(m_center, m_bus.connect());
        ASSERT_TRUE(test::spinUntil([&] { return !log.lines().empty(); }));
    }
    LogindWakeSource(m_center, QDBusConnection::connectToBus("unix:path=/none", "none"));
    QDBusConnection::disconnectFromBus("none");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "LogindWakeSource: logind is not running; wake-ups will not be "
                               "noticed",
                               "LogindWakeSource: no system bus; wake-ups will not be noticed"}));
}

} // namespace
} // namespace ks
