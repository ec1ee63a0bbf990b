// The welcome window offscreen: its keys, one window at a time, and the tray icon's picture
// between the two texts of its middle line only when the resources have it.
#include "main/welcome_window_controller.h"
#include "support/offscreen_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <stdlib.h>

namespace ks {
namespace {

class WelcomeWindowTest : public ::testing::Test {
    test::OffscreenApplication m_app;

protected:
    void closeFully() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    int settingsOpened = 0;
    // After the application, so its window goes before the application does.
    WelcomeWindowController controller{[this] { ++settingsOpened; }};
};

TEST_F(WelcomeWindowTest, ReturnOpensTheSettingsAndEscapeOnlyCloses) {
    const struct {
        Qt::Key key;
        int settingsOpened;
    } cases[] = {{Qt::Key_Return, 1}, {Qt::Key_Escape, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        settingsOpened = 0;
        controller.show();
        QPointer<QWidget> window = controller.window();
        ASSERT_TRUE(window && window->isVisible());
        QTest::keyClick(window, c.key);
        EXPECT_EQ(settingsOpened, c.settingsOpened);
        EXPECT_EQ(controller.window(), nullptr);
        closeFully();
        EXPECT_TRUE(window.isNull());
    }

    // The window that was active before gets the keyboard back.
    QWidget settings;
    settings.show();
    settings.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
    controller.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window()));
    QTest::keyClick(controller.window(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&settings));
}

TEST_F(WelcomeWindowTest, ShowingAgainKeepsOneWindowAndAClosedOneIsBuiltAnew) {
    controller.show();
    QPointer<QWidget> first = controller.window();
    controller.show();
    EXPECT_EQ(controller.window(), first.data());
    EXPECT_EQ(QApplication::topLevelWidgets().count(first.data()), 1);
    EXPECT_EQ(first->windowTitle(), "Kestrane Wallpapers");

    // The close box: the window is dropped at once, not when its deletion comes round.
    first->close();
    controller.show();
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_NE(controller.window(), first.data());
    EXPECT_TRUE(controller.window()->isVisible());
    closeFully();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(settingsOpened, 0);
}

TEST_F(WelcomeWindowTest, TheMiddleLineHasTheTrayIconOnlyWhenTheResourcesHaveIt) {
    QTemporaryDir resources;
    ASSERT_TRUE(resources.isValid());
    ::setenv("KESTRANE_RESOURCES", resources.path().toLocal8Bit().constData(), 1);
    controller.show();
    EXPECT_EQ(controller.window()->findChild<QLabel*>("welcomeMenuIcon"), nullptr);
    controller.window()->close();

    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::black);
    ASSERT_TRUE(icon.save(resources.filePath("MenuIcon.png")));
    controller.show();
    const auto* label = controller.window()->findChild<QLabel*>("welcomeMenuIcon");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->size(), QSize(14, 14));
    ::unsetenv("KESTRANE_RESOURCES");
}

} // namespace
} // namespace ks
