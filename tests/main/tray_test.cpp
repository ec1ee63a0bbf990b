#include "main/app_delegate.h"
#include "main/app_process.h"
#include "main/app_services.h"
#include "main/tray.h"
#include "platform/platform.h"
#include "platform/qt/qt_main_loop.h"
#include "settings/settings_store.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace ks::test {
namespace {

class TrayTest : public ::testing::Test {
protected:
    TrayTest() {
        m_home.setVar("QT_QPA_PLATFORM", "offscreen");
        m_resources = writeTestLibrary(m_home.root(), kTwoPackIndex, kTwoPackBlobs);
        m_home.setVar("KESTRANE_RESOURCES", m_resources);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }

    bool logged(const std::string& prefix) const {
        const auto lines = m_log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }

    TempHome m_home;
    LogCapture m_log;
    std::filesystem::path m_resources;
    int m_argc = 1;
    char m_name[8] = "tray";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

TEST_F(TrayTest, QuitItemEndsTheApplicationWithStatusZero) {
    QtMainLoop loop;
    NotificationCenter center;
    AppServices services(loop, center, makePlatform(loop, center));
    AppDelegate delegate(services, {});
    ASSERT_TRUE(delegate.applicationDidFinishLaunching());
    EXPECT_TRUE(logged("Kestrane Wallpapers: 2 packs, 3 wallpapers"));

    QAction* quit = nullptr;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget))
            for (QAction* action : menu->actions())
                if (action->text() == QStringLiteral("Quit Kestrane Wallpapers"))
                    quit = action;
    ASSERT_TRUE(quit);
    QTimer::singleShot(0, quit, &QAction::trigger);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(TrayTest, FirstLaunchGreetsAndTheMenuKeysReachEveryWindow) {
    QtMainLoop loop;
    NotificationCenter center;
    AppServices services(loop, center, makePlatform(loop, center));
    AppDelegate delegate(services, {});
    ASSERT_TRUE(delegate.applicationDidFinishLaunching());
    EXPECT_TRUE(services.settings().hasShownWelcome());
    EXPECT_TRUE(logged("AppDelegate: asked to show the welcome window"));

    QLineEdit field;
    field.show();
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&field, &event);
    };
    press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    press(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(field.text(), QStringLiteral("a")) << "typing goes on as usual";
    EXPECT_TRUE(logged("AppDelegate: asked to show the settings window"));
    QTimer::singleShot(0, [&] { press(Qt::Key_Q, Qt::ControlModifier); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(TrayTest, MenuIconComesFromTheResourcesOrIsDrawn) {
    EXPECT_FALSE(Tray::menuIcon().pixmap(32, 32).isNull());
    EXPECT_TRUE(logged("Tray: MenuIcon.png is missing"));

    for (const auto& [name, side] : {std::pair{"MenuIcon.png", 16}, {"MenuIcon@2x.png", 32}}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::black);
        ASSERT_TRUE(image.save(QString::fromStdString((m_resources / name).string())));
    }
    const auto sizes = Tray::menuIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
}

} // namespace
} // namespace ks::test
