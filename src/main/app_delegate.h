#pragma once

#include "library/library.h"

#include <memory>

namespace ks {

class Tray;

struct LaunchOptions {
    bool showSettings = false;
    bool showWelcome = false;
};

// Builds the application at launch and answers the requests that reach it from the
// menus and from copies started later.
class AppDelegate {
public:
    explicit AppDelegate(LaunchOptions options);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence. False when the application cannot run; the user has then been
    // told why.
    bool applicationDidFinishLaunching();

    void showSettings();
    void quitApp();

private:
    LaunchOptions m_options;
    Library m_library;
    std::unique_ptr<Tray> m_tray;
    bool m_launched = false;
};

} // namespace ks
