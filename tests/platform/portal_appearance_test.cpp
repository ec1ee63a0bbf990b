// The look from a stand-in for the desktop portal on a private bus, and from GNOME's setting
// (gsettings on a keyfile in the test's config folder) where no portal answers.

#include "platform/qt/portal_appearance.h"
#include "private_bus.h"
#include "support/log_capture.h"
#include "support/temp_home.h"
#include "thread_posts.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

namespace ks {
namespace {

const QString kPath = "/org/freedesktop/portal/desktop";

QVariant variant(const QVariant& value) {
    return QVariant::fromValue(QDBusVariant(value));
}

// A portal's Settings holding one color-scheme; without ReadOne it stands for the portals
// before it, whose Read wraps the value twice.
class FakePortal final : public QDBusVirtualObject {
public:
    FakePortal(bool hasReadOne, uint scheme) : m_hasReadOne(hasReadOne), m_scheme(scheme) {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const bool known =
            message.arguments() == QVariantList{"org.freedesktop.appearance", "color-scheme"};
        if (message.member() == "ReadOne" && m_hasReadOne && known)
            connection.send(message.createReply(variant(m_scheme)));
        else if (message.member() == "Read" && known)
            connection.send(message.createReply(variant(variant(m_scheme))));
        else
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, "no such method"));
        ++answered;
        return true;
    }

    std::atomic<int> answered = 0;

private:
    bool m_hasReadOne;
    uint m_scheme;
};

class PortalAppearanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::PrivateBus::available())
            GTEST_SKIP() << "dbus-daemon is not installed";
        test::ensureQtApplication();
        ASSERT_TRUE(m_bus.running());
        m_home.setVar("GSETTINGS_BACKEND", "keyfile");
    }

    QDBusConnection offer(FakePortal& portal) {
        QDBusConnection connection = m_bus.connect();
        EXPECT_TRUE(connection.registerService("org.freedesktop.portal.Desktop"));
        EXPECT_TRUE(connection.registerVirtualObject(kPath, &portal));
        return connection;
    }

    void setGnomeScheme(const std::string& value) {
        const auto folder = m_home.configHome() / "glib-2.0" / "settings";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "keyfile")
            << "[org/gnome/desktop/interface]\ncolor-scheme='" << value << "'\n";
    }

    test::TempHome m_home;
    test::PrivateBus m_bus;
    QDBusConnection m_watching = m_bus.connect();
    NotificationCenter m_center;
    test::PostCounter m_changes{m_center, kAppearanceChanged};
};

TEST_F(PortalAppearanceTest, TheFirstReadingOfNewAndOldPortals) {
    struct Case {
        bool hasReadOne;
        uint scheme;
        bool dark;
    };
    for (const Case& c :
         {Case{true, 1, true}, Case{false, 1, true}, Case{true, 2, false}, Case{true, 0, false}}) {
        SCOPED_TRACE(testing::Message() << "ReadOne " << c.hasReadOne << ", scheme " << c.scheme);
        FakePortal portal(c.hasReadOne, c.scheme);
        QDBusConnection connection = offer(portal);
        const int before = m_changes.count();
        {
            PortalAppearance appearance(m_center, m_watching);
            EXPECT_FALSE(appearance.isDark());
            ASSERT_TRUE(test::spinUntil([&] { return portal.answered == (c.hasReadOne ? 1 : 2); }));
            test::settle(connection, m_watching);
            EXPECT_EQ(appearance.isDark(), c.dark);
            EXPECT_EQ(m_changes.count() - before, c.dark ? 1 : 0);
        }
        connection.unregisterObject(kPath);
        connection.unregisterService("org.freedesktop.portal.Desktop");
    }
}

TEST_F(PortalAppearanceTest, OnlyAChangeOfTheColorSchemePosts) {
    FakePortal portal(true, 0);
    QDBusConnection connection = offer(portal);
    PortalAppearance appearance(m_center, m_watching);
    // Signals count once the subscription knows the portal's owner.
    test::syncWithBus(m_watching);
    ASSERT_TRUE(test::spinUntil([&] { return portal.answered == 1; }));
    const auto changed = [&](const char* group, const char* key, uint value) {
        auto signal =
            QDBusMessage::createSignal(kPath, "org.freedesktop.portal.Settings", "SettingChanged");
        ASSERT_TRUE(connection.send(signal << group << key << variant(value)));
    };
    // Other settings that say 1, and the scheme staying as it was, change nothing.
    changed("org.freedesktop.appearance", "accent-color", 1);
    changed("org.gnome.desktop.interface", "color-scheme", 1);
    changed("org.freedesktop.appearance", "color-scheme", 0);
    changed("org.freedesktop.appearance", "color-scheme", 1);
    ASSERT_TRUE(test::spinUntil([&] { return m_changes.count() >= 1; }));
    test::settle(connection, m_watching);
    EXPECT_TRUE(appearance.isDark());
    EXPECT_EQ(m_changes.count(), 1);
    changed("org.freedesktop.appearance", "color-scheme", 2);
    ASSERT_TRUE(test::spinUntil([&] { return m_changes.count() == 2; }));
    EXPECT_FALSE(appearance.isDark());
}

TEST_F(PortalAppearanceTest, WithoutAPortalGnomesSettingIsReadAndFollowed) {
    QProcess range;
    range.setStandardOutputFile(QProcess::nullDevice());
    range.start("gsettings", {"range", "org.gnome.desktop.interface", "color-scheme"});
    if (!range.waitForFinished() || range.exitCode() != 0)
        GTEST_SKIP() << "gsettings or GNOME's desktop schemas (42 or later) are not installed";
    setGnomeScheme("prefer-dark");
    PortalAppearance appearance(m_center, m_watching);
    ASSERT_TRUE(test::spinUntil([&] { return appearance.isDark(); }));
    setGnomeScheme("default");
    ASSERT_TRUE(test::spinUntil([&] { return !appearance.isDark(); }));
    EXPECT_EQ(m_changes.count(), 2);
}

TEST_F(PortalAppearanceTest, WithNeitherItSaysSoOnceAndStaysLight) {
    test::LogCapture log;
    // No schemas where gsettings looks: GNOME's setting does not exist.
    m_home.setVar("XDG_DATA_DIRS", m_home.root() / "no-schemas");
    m_home.unsetVar("GSETTINGS_SCHEMA_DIR");
    PortalAppearance appearance(m_center, QDBusConnection::connectToBus("unix:path=/none", "none"));
    ASSERT_TRUE(test::spinUntil([&] { return !log.lines().empty(); }));
    QDBusConnection::disconnectFromBus("none");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "PortalAppearance: no appearance portal (no session bus) and no "
                               "GNOME color-scheme setting; the look stays light"}));
    EXPECT_FALSE(appearance.isDark());
}

} // namespace
} // namespace ks
