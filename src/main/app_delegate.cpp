#include "main/app_delegate.h"

#include "base/log.h"
#include "engine/wallpaper_engine.h"
#include "library/pack_downloader.h"
#include "library/updater.h"
#include "main/app_commands.h"
#include "main/app_services.h"
#include "main/ask_for_name.h"
#include "main/collections_popup.h"
#include "main/command_line.h"
#include "main/hot_key_center.h"
#include "main/main_menu_shortcuts.h"
#include "main/rotation_hot_keys.h"
#include "main/running_status.h"
#include "main/single_instance.h"
#include "main/status_menu.h"
#include "main/tray.h"
#include "main/update_dialog.h"
#include "main/welcome_window_controller.h"
#include "platform/login_items.h"
#include "settings/settings_store.h"
#include "ui/settings_window_controller.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QMessageBox>

namespace ks {

namespace {

std::string localShortTime(SysTime date) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms.count());
    return QLocale::system().toString(local.time(), QLocale::ShortFormat).toStdString();
}

} // namespace

AppDelegate::AppDelegate(AppServices& services, LaunchOptions options)
    : m_services(services), m_options(options) {}

AppDelegate::~AppDelegate() {
    // The tray's views refer to the menu, and the menu to the commands.
    m_tray.reset();
    m_statusMenu.reset();
    m_settingsController.reset();
}

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

    WallpaperEngine& engine = m_services.engine();
    // Looked for once, quietly; "Check for Updates…" asks again and shows the answer.
    if (Updater* updater = m_services.updater())
        updater->checkAtLaunch();
    if (PackDownloader* downloader = m_services.downloader()) {
        downloader->configure(library);
        downloader->downloadMissingPacks();
    }

    makeSettingsController();
    ShellActions actions;
    actions.showSettings = [this](std::optional<Wallpaper> reveal) {
        showSettings(std::move(reveal));
    };
    actions.checkForUpdates = [this] { checkForUpdates(); };
    actions.quit = [this] { quitApp(); };
    m_commands = std::make_unique<AppCommands>(engine, m_services.settings(), std::move(actions));

    StatusMenuHooks hooks;
    hooks.closeMenu = [this] {
        if (m_tray)
            m_tray->closeMenu();
    };
    hooks.askForName = askForName;
    hooks.shortTime = localShortTime;
    hooks.isOnBattery = [this] { return onBattery(); };
    m_statusMenu =
        std::make_unique<StatusMenu>(*m_commands, library, m_services.loop(), std::move(hooks));
    m_tray = std::make_unique<Tray>(*m_statusMenu);
    m_tray->show();
    m_shortcuts =
        std::make_unique<MainMenuShortcuts>([this] { showSettings(); }, [this] { quitApp(); });
    registerHotKeys();

    // Dropped with the delegate, so the engine never calls a delegate that is gone.
    m_currentObservation = engine.observeCurrent([this] { currentChanged(); });
    engine.start();
    m_launched = true;

    if (m_options.showSettings)
        showSettings();
    SettingsStore& settings = m_services.settings();
    if (!settings.hasShownWelcome() || m_options.showWelcome) {
        // Set first, so a crash while the window is up does not greet the user again.
        settings.setHasShownWelcome(true);
        showWelcome();
    }
    return true;
}

bool AppDelegate::onBattery() const {
    const auto& power = m_services.platform().power;
    return power && power->isOnBattery();
}

void AppDelegate::registerHotKeys() {
    const std::weak_ptr<AppDelegate*> self = m_self;
    const auto handler = [self](AppCommand command) {
        return [self, command] {
            if (const auto delegate = self.lock())
                (*delegate)->m_commands->run(command);
        };
    };
    HotKeyCenter& center = m_services.hotKeys();
    for (const auto& [key, command] : {std::pair{kNextWallpaperHotKey, AppCommand::next},
                                       std::pair{kPreviousWallpaperHotKey, AppCommand::previous}})
        center.registerHotKey(key.id, key.keyCode, key.modifiers, handler(command));
}

void AppDelegate::currentChanged() {
    m_statusMenu->currentChanged();
    const MenuModel& model = m_statusMenu->model();
    m_tray->setToolTip("Kestrane Wallpapers — " + (m_services.engine().isShowingOriginal()
                                                       ? std::string("your wallpaper")
                                                       : model.wallpaperName()));
}

std::string AppDelegate::answer(std::string_view request) {
    // A request that arrives while the missing-library alert is up has nothing to act on.
    if (!m_launched)
        return "error: Kestrane Wallpapers is not running its rotation";
    if (request == kStatusRequest)
        return runningStatus(m_services.engine(), m_services.library(), m_services.settings(),
                             m_services.loop().clock().now(),
                             {{}, {}, localShortTime, [this] { return onBattery(); }});
    const auto command = commandNamed(request);
    // Only what a terminal or a key binding may ask; the rest is the menus' own.
    if (command != AppCommand::next && command != AppCommand::previous &&
        command != AppCommand::pause && command != AppCommand::resume &&
        command != AppCommand::showSettings) {
        logLine("AppDelegate: ignored the request \"" + std::string(request.substr(0, 64)) +
                "\" from another copy");
        return "error: unknown request";
    }
    m_commands->run(*command);
    return "ok";
}

void AppDelegate::makeSettingsController() {
    Platform& platform = m_services.platform();
    if (!platform.loginItems)
        platform.loginItems = makeLoginItems();
    const std::weak_ptr<AppDelegate*> self = m_self;
    const auto engine = [self]() -> WallpaperEngine* {
        const auto delegate = self.lock();
        return delegate ? &(*delegate)->m_services.engine() : nullptr;
    };
    SettingsWindowServices services{m_services.settings(),
                                    m_services.library(),
                                    m_services.downloader(),
                                    *platform.loginItems,
                                    m_services.loop(),
                                    askForName,
                                    [&settings = m_services.settings()](const Wallpaper& w) {
                                        popUpCollectionsMenu(w, settings);
                                    }};
    m_settingsController = std::make_unique<SettingsWindowController>(
        std::move(services),
        [engine](const Wallpaper& w) {
            if (WallpaperEngine* e = engine())
                e->show(w);
        },
        [engine] {
            const WallpaperEngine* e = engine();
            return e && e->hasOriginalWallpaper();
        },
        [engine] {
            if (WallpaperEngine* e = engine())
                e->restoreOriginalWallpaper();
        });
}

void AppDelegate::showSettings(std::optional<Wallpaper> revealing) {
    if (!m_launched || !m_settingsController)
        return;
    logLine("AppDelegate: asked to show the settings window");
    m_settingsController->show(std::move(revealing));
}

void AppDelegate::showWelcome() {
    logLine("AppDelegate: asked to show the welcome window");
    if (!m_welcomeController) {
        const std::weak_ptr<AppDelegate*> self = m_self;
        m_welcomeController = std::make_unique<WelcomeWindowController>([self] {
            if (const auto delegate = self.lock())
                (*delegate)->showSettings();
        });
    }
    // After the settings window in the launch, so with both options this one is in front.
    m_welcomeController->show();
}

void AppDelegate::checkForUpdates() {
    UpdateDialog::showUpdateCheck(m_services.updater());
}

void AppDelegate::quitApp() {
    QCoreApplication::exit(0);
}

} // namespace ks
