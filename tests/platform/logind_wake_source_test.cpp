// The wake source against a stand-in for logind on a private bus.

#include "platform/qt/logind_wake_source.h"
#include "private_bus.h"
#include "support/log_capture.h"

#include <QDBusMessage>

namespace ks {
namespace {

using LogindWakeSourceTest = test::PrivateBusTest;

TEST_F(LogindWakeSourceTest, OnlyLogindsEndOfSleepPosts) {
    QDBusConnection logind = m_bus.connect(), impostor = m_bus.connect();
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
    test::PostCounter wakes(m_center, kSystemDidWake);
    LogindWakeSource source(m_center, m_watching);
    test::syncWithBus(m_watching);
    const auto send = [](QDBusConnection& from, bool goingToSleep) {
        ASSERT_TRUE(from.send(QDBusMessage::createSignal("/org/freedesktop/login1",
                                                         "org.freedesktop.login1.Manager",
                                                         "PrepareForSleep")
                              << goingToSleep));
        test::syncWithBus(from);
    };
    // What one connection sends arrives in order, and a call is answered only after what was
    // sent before it: the impostor's signal reaches the source before logind's end of sleep.
    send(logind, true);
    send(impostor, false);
    send(logind, false);
    ASSERT_TRUE(test::spinUntil([&] { return wakes.count >= 1; }));
    test::settle(logind, m_watching);
    EXPECT_EQ(wakes.count, 1);
}

TEST_F(LogindWakeSourceTest, WithoutLogindOrABusItSaysSoOnce) {
    test::LogCapture log;
    {
        LogindWakeSource source(m_center, m_watching);
        ASSERT_TRUE(test::spinUntil([&] { return !log.lines().empty(); }));
    }
    LogindWakeSource(m_center, QDBusConnection::connectToBus("unix:path=/none", "none"));
    QDBusConnection::disconnectFromBus("none");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("LogindWakeSource: logind is not running")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("LogindWakeSource: no system bus")) << lines[1];
}

} // namespace
} // namespace ks
