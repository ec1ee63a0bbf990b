#pragma once

#include "base/notification_center.h"
#include "library/wallpaper.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

class AppCommands;
class AppServices;
class MainMenuShortcuts;
class SettingsWindowController;
class StatusMenu;
class Tray;
class WelcomeWindowController;

struct LaunchOptions {
    bool showSettings = false;
    bool showWelcome = false;
};

// Runs the launch sequence over the application's services and answers the requests that
// reach it from the menus, the hot keys and copies started later.
class AppDelegate {
public:
    // `services` must outlive the delegate.
    AppDelegate(AppServices& services, LaunchOptions options);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence. False when the application cannot run; the user has then been
    // told why.
    bool applicationDidFinishLaunching();

    // A request from a copy started later ("showSettings", "next", "status", ...); returns
    // the status for "status", "ok" for a command carried out, or, after "error: ", why it
    // was refused. Never empty: an empty answer is a copy that hung up without answering.
    std::string answer(std::string_view request);

    void showSettings(std::optional<Wallpaper> revealing = std::nullopt);
    // Null before the launch.
    SettingsWindowController* settingsController() const { return m_settingsController.get(); }
    void quitApp();

private:
    void currentChanged();
    void makeSettingsController();
    void registerHotKeys();
    void showWelcome();
    void checkForUpdates();
    bool onBattery() const;

    AppServices& m_services;
    LaunchOptions m_options;
    std::unique_ptr<AppCommands> m_commands;
    std::unique_ptr<SettingsWindowController> m_settingsController;
    std::unique_ptr<StatusMenu> m_statusMenu;
    std::unique_ptr<Tray> m_tray;
    std::unique_ptr<MainMenuShortcuts> m_shortcuts;
    std::unique_ptr<WelcomeWindowController> m_welcomeController;
    NotificationCenter::Observation m_currentObservation;
    // Handlers that outlive the delegate (the hot keys') hold this weakly.
    std::shared_ptr<AppDelegate*> m_self = std::make_shared<AppDelegate*>(this);
    bool m_launched = false;
};

} // namespace ks
