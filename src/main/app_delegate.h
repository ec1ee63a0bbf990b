#pragma once

#include "base/notification_center.h"

#include <memory>

namespace ks {

class AppServices;
class Tray;

struct LaunchOptions {
    bool showSettings = false;
    bool showWelcome = false;
};

// Runs the launch sequence over the application's services and answers the requests that
// reach it from the menus and from copies started later.
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

    void showSettings();
    void quitApp();

private:
    void currentChanged();

    AppServices& m_services;
    LaunchOptions m_options;
    std::unique_ptr<Tray> m_tray;
    NotificationCenter::Observation m_currentObservation;
    bool m_launched = false;
};

} // namespace ks
