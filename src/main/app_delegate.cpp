#include "main/app_delegate.h"

#include "base/log.h"
#include "main/tray.h"

#include <QApplication>
#include <QMessageBox>

namespace ks {

AppDelegate::AppDelegate(LaunchOptions options) : m_options(options) {}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunching() {
    m_library.rescan();
    if (m_library.packs().empty()) {
        logLine("AppDelegate: the wallpaper library is empty, nothing to rotate");
        QMessageBox alert;
        alert.setIcon(QMessageBox::Warning);
        alert.setWindowTitle(QStringLiteral("Kestrane Wallpapers"));
        alert.setText(QStringLiteral("Wallpapers are missing"));
        alert.setInformativeText(
            QStringLiteral("The app's wallpaper library couldn't be read. Reinstalling "
                           "Kestrane Wallpapers should fix it."));
        alert.exec();
        return false;
    }
    logLine("Kestrane Wallpapers: " + std::to_string(m_library.packs().size()) + " packs, " +
            std::to_string(m_library.allWallpapers().size()) + " wallpapers");

    m_tray = std::make_unique<Tray>([this] { quitApp(); });
    m_tray->show();
    m_launched = true;

    if (m_options.showSettings)
        showSettings();
    if (m_options.showWelcome)
        logLine("AppDelegate: asked to show the welcome window");
    return true;
}

void AppDelegate::showSettings() {
    // A request that arrives while the missing-library alert is up has nothing to open.
    if (!m_launched)
        return;
    logLine("AppDelegate: asked to show the settings window");
}

void AppDelegate::quitApp() {
    QCoreApplication::exit(0);
}

} // namespace ks
