#include "main/app_delegate.h"

#include "base/log.h"
#include "engine/wallpaper_engine.h"
#include "library/pack_downloader.h"
#include "main/app_services.h"
#include "main/hot_key_center.h"
#include "main/rotation_hot_keys.h"
#include "main/tray.h"

#include <QApplication>
#include <QMessageBox>

namespace ks {

AppDelegate::AppDelegate(AppServices& services, LaunchOptions options)
    : m_services(services), m_options(options) {}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunching() {
    Library& library = m_services.library();
    library.rescan();
    if (library.packs().empty()) {
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
    logLine("Kestrane Wallpapers: " + std::to_string(library.packs().size()) + " packs, " +
            std::to_string(library.allWallpapers().size()) + " wallpapers");

    if (PackDownloader* downloader = m_services.downloader()) {
        downloader->configure(library);
        downloader->downloadMissingPacks();
    }

    WallpaperEngine& engine = m_services.engine();
    m_tray = std::make_unique<Tray>([this] { quitApp(); });
    m_tray->addAction(
        "Next Wallpaper", [&engine] { engine.advance(true); }, [] { return true; });
    m_tray->addAction(
        "Restore My Wallpaper", [&engine] { engine.restoreOriginalWallpaper(); },
        [&engine] { return engine.hasOriginalWallpaper(); });
    // Restoring the user's wallpaper pauses the rotation; this takes it up again.
    m_tray->addAction(
        "Resume Rotation", [&engine] { engine.setPaused(false); },
        [&engine] { return engine.paused(); });
    m_tray->show();

    // Dropped with the delegate, so the engine never calls a delegate that is gone.
    m_currentObservation = engine.observeCurrent([this] { currentChanged(); });
    // The handlers hold the engine weakly: a press never reaches an engine that is gone.
    HotKeyCenter& hotKeys = HotKeyCenter::shared();
    hotKeys.registerHotKey(kNextWallpaperHotKey.id, kNextWallpaperHotKey.keyCode,
                           kNextWallpaperHotKey.modifiers, [weak = engine.weak_from_this()] {
                               if (const auto engine = weak.lock())
                                   engine->advance(true);
                           });
    hotKeys.registerHotKey(kPreviousWallpaperHotKey.id, kPreviousWallpaperHotKey.keyCode,
                           kPreviousWallpaperHotKey.modifiers, [weak = engine.weak_from_this()] {
                               if (const auto engine = weak.lock())
                                   engine->retreat();
                           });
    engine.start();
    m_launched = true;

    if (m_options.showSettings)
        showSettings();
    if (m_options.showWelcome)
        logLine("AppDelegate: asked to show the welcome window");
    return true;
}

void AppDelegate::currentChanged() {
    const WallpaperEngine& engine = m_services.engine();
    if (engine.isShowingOriginal()) {
        m_tray->setToolTip("Kestrane Wallpapers — your wallpaper");
        return;
    }
    const auto current = engine.currentWallpaper();
    if (!current)
        return;
    const auto pack = m_services.library().pack(current->packID);
    m_tray->setToolTip("Kestrane Wallpapers — " +
                       (pack ? current->title(*pack) : current->displayName()));
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
