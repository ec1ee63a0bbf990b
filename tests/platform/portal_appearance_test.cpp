// The look from a stand-in for the desktop portal on a private bus, and from GNOME's setting
// (gsettings on a keyfile in the test's config folder) where no portal answers.

#include "platform/qt/portal_appearance.h"
#include "private_bus.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>

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
struct FakePortal final : QDBusVirtualObject {
    FakePortal(bool hasReadOne, uint scheme) : hasReadOne(hasReadOne), scheme(scheme) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const bool known =
            message.arguments() == QVariantList{"org.freedesktop.appearance", "color-scheme"};
        if (message.member() == "ReadOne" && hasReadOne && known)
            connection.send(message.createReply(variant(scheme)));
        else if (message.member() == "Read" && known)
            connection.send(message.createReply(variant(variant(scheme))));
        else
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, "no such method"));
        ++answered;
        return true;
    }

    bool hasReadOne;
    uint scheme;
    std::atomic<int> answered = 0;
};

class PortalAppearanceTest : public test::PrivateBusTest {
protected:
    PortalAppearanceTest() { m_home.setVar("GSETTINGS_BACKEND", "keyfile"); }
    QDBusConnection offer(FakePortal& portal) {
        QDBusConnection connection = m_bus.connect();
        EXPECT_TRUE(connection.registerService("org.freedesktop.portal.Desktop"));
        EXPECT_TRUE(connection.registerVirtualObject(kPath, &portal));
        return connection;
    }

    test::TempHome m_home;
    test::PostCounter m_changes{m_center, kAppearanceChanged};
};

// A light first reading is where the next test starts.
TEST_F(PortalAppearanceTest, TheFirstReadingOfNewAndOldPortals) {
    for (const bool hasReadOne : {true, false}) {
        SCOPED_TRACE(hasReadOne ? "ReadOne" : "Read alone");
        FakePortal portal(hasReadOne, 1);
        QDBusConnection connection = offer(portal);
        const int before = m_changes.count;
        {
            PortalAppearance appearance(m_center, m_watching);
            ASSERT_TRUE(test::spinUntil([&] { return appearance.isDark(); }));
            test::settle(connection, m_watching);
            EXPECT_EQ(m_changes.count - before, 1);
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
    const auto changed = [&](const char* group, const char* key, const QVariant& value) {
        ASSERT_TRUE(connection.send(
            QDBusMessage::createSignal(kPath, "org.freedesktop.portal.Settings", "SettingChanged")
            << group << key << variant(value)));
    };
    // Other settings that say 1, a value that is no number, and the scheme staying as it
    // was, change nothing; each would make the count run ahead.
    changed("org.freedesktop.appearance", "accent-color", 1u);
    changed("org.gnome.desktop.interface", "color-scheme", 1u);
    changed("org.freedesktop.appearance", "color-scheme", "1");
    changed("org.freedesktop.appearance", "color-scheme", 0u);
    for (const auto& [scheme, dark] : {std::pair{1u, true}, {2u, false}}) {
        changed("org.freedesktop.appearance", "color-scheme", scheme);
        const int expected = dark ? 1 : 2;
        ASSERT_TRUE(test::spinUntil([&] { return m_changes.count >= expected; }));
        test::settle(connection, m_watching);
        EXPECT_EQ(m_changes.count, expected);
        EXPECT_EQ(appearance.isDark(), dark);
    }
}

TEST_F(PortalAppearanceTest, WithoutAPortalGnomesSettingIsReadAndFollowed) {
    QProcess range;
    range.start("gsettings", {"range", "org.gnome.desktop.interface", "color-scheme"});
    if (!range.waitForFinished() || range.exitCode() != 0)
        GTEST_SKIP() << "gsettings or GNOME's desktop schemas (42 or later) are not installed";
    const auto setScheme = [&](const char* scheme) {
        const auto folder = m_home.configHome() / "glib-2.0" / "settings";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "keyfile")
            << "[org/gnome/desktop/interface]\ncolor-scheme='" << scheme << "'\n";
    };
    setScheme("prefer-dark");
    PortalAppearance appearance(m_center, m_watching);
    ASSERT_TRUE(test::spinUntil([&] { return appearance.isDark(); }));
    setScheme("default");
    ASSERT_TRUE(test::spinUntil([&] { return !appearance.isDark(); }));
    EXPECT_EQ(m_changes.count, 2);
}

TEST_F(PortalAppearanceTest, WithNeitherItSaysSoOnceAndStaysLight) {
    test::LogCapture log;
    // No schemas where gsettings looks: GNOME's setting does not exist.
    m_home.setVar("XDG_DATA_DIRS", m_home.root() / "no-schemas");
    m_home.unsetVar("GSETTINGS_SCHEMA_DIR");
    PortalAppearance appearance(m_center, QDBusConnection::connectToBus("unix:path=/none", "none"));
    ASSERT_TRUE(test::spinUntil([&] { return !log.lines().empty(); }));
    QDBusConnection::disconnectFromBus("none");
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("PortalAppearance: no appearance portal"));
    EXPECT_FALSE(appearance.isDark());
    EXPECT_EQ(m_changes.count, 0);
}

} // namespace
} // namespace ks
