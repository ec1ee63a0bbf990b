#pragma once

// What the settings-window benchmarks share: a private home, the application's services over
// the bundled library, and ways to run the toolkit's loop.

#include "base/concurrent_queue.h"
#include "base/notification_center.h"
#include "library/library.h"
#include "library/thumbnail_cache.h"
#include "platform/login_items.h"
#include "platform/qt/qt_main_loop.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "ui/settings_window_controller.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace ks::bench {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d);
// VmRSS in MB; 0 when /proc cannot tell.
double residentMB();

// Runs events until `until` or `limit` has passed.
template <typename Condition> bool runUntil(Condition until, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    while (!until() && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return until();
}

// The Qt event loop itself for `span`, so that timers and deferred deletes run as in the
// application.
void runLoopFor(Clock::duration span);

// A private home, so that the settings written and any cache never reach the user's.
struct BenchHome {
    explicit BenchHome(const std::string& name);
    ~BenchHome();
    std::filesystem::path root;
};

class NoLoginItems final : public LoginItems {
public:
    int status() const override { return kStatusNotRegistered; }
    LoginItemResult enable() override { return LoginItemResult::failure("not in a benchmark"); }
    LoginItemResult disable() override { return LoginItemResult::success(); }
};

// What the application hands the settings window, over the bundled library.
struct SettingsRig {
    explicit SettingsRig(const std::filesystem::path& home);
    ~SettingsRig();
    void makeController();

    QtMainLoop loop;
    ConcurrentQueue thumbnailQueue{"thumbnails"};
    ThumbnailCache thumbnails{loop, thumbnailQueue};
    NotificationCenter center;
    UserDefaults defaults;
    SettingsStore settings{defaults, center};
    Library library;
    NoLoginItems loginItems;
    std::unique_ptr<SettingsWindowController> controller;
};

} // namespace ks::bench
