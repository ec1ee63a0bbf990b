// The tray's full menu, our own popup window.
// Latency: from the tray icon's activation (what a left click runs) to the popup's first
// complete frame, the banner's thumbnail drawn and the window flushed, against the first
// frame of an empty QMenu shown in the same process. The first opening of each (cold) and
// the median and longest of the 20 after (warm). The menu runs over the real engine and
// presentation (fake displays), so the banner shows a real 560 px thumbnail.
// Wake-ups: the application's menu on the harness's Xorg with trayer as the tray, its
// threads' wake-ups per second with the menu closed, open after a real click on the tray
// icon, and closed again after Escape.
// Prints readable lines, or "skipped REASON" without Xorg.
// Usage: kestrane-bench-menu latency offscreen|xorg | wakeups

#include "bench_pictures.h"
#include "thread_wakeups.h"

#include "base/file_io.h"
#include "base/manual_loop.h"
#include "engine/presentation_controller.h"
#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "library_writer.h"
#include "main/app_commands.h"
#include "main/app_services.h"
#include "main/ask_for_name.h"
#include "main/menu_banner_view.h"
#include "main/menu_popup.h"
#include "main/status_menu.h"
#include "main/tray.h"
#include "platform/platform.h"
#include "platform/qt/qt_main_loop.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "support/platform_fakes.h"
#include "support/test_environment.h"
#include "xorg_display.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <vips/vips8>

namespace {

namespace fs = std::filesystem;
using namespace ks;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kWarmRuns = 20;
constexpr auto kWakeupWindow = 20s;

fs::path dataDir() {
    const char* dir = std::getenv("KESTRANE_BENCH_DATA");
    return dir ? dir : "bench-data";
}

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Notes when a window has finished the first frame in which a given widget was painted:
// the expose or update request that painted it has returned, so the frame is flushed.
class FrameProbe : public QApplication {
public:
    using QApplication::QApplication;

    void watch(const QWidget* window, const QObject* painted) {
        m_window = window;
        m_painted = painted;
        m_paintSeen = false;
        done.reset();
    }

    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool result = QApplication::notify(receiver, event);
        if (!m_window || done)
            return result;
        if (receiver == m_painted && type == QEvent::Paint)
            m_paintSeen = true;
        else if (m_paintSeen && receiver == m_window->windowHandle() &&
                 (type == QEvent::Expose || type == QEvent::UpdateRequest))
            done = Clock::now();
        return result;
    }

    std::optional<Clock::time_point> done;

private:
    const QWidget* m_window = nullptr;
    const QObject* m_painted = nullptr;
    bool m_paintSeen = false;
};

// Runs events until `until` or `limit` has passed.
template <typename Condition> bool runUntil(Condition until, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    while (!until() && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return until();
}

void runFor(Clock::duration span) {
    runUntil([] { return false; }, span);
}

// The engine over a real presentation on two fake 1920x1080 displays, virtual time for the
// core, with the first wallpaper shown; the menu and the tray over it.
struct MenuRig {
    MenuRig() {
        const fs::path root = fs::temp_directory_path() / ("ks-menu-" + std::to_string(getpid()));
        ::setenv("KESTRANE_RESOURCES", (root / "resources").c_str(), 1);
        const auto photo = readWholeFile(bench::photoLikePicture(dataDir(), "jpg", 3000, 2000));
        tools::SourcePack pack{"dunes", "Dunes", false, {}, {}, true};
        pack.pictures = {{"1.jpg", Variant::neutral, *photo}, {"2.jpg", Variant::neutral, *photo}};
        tools::writeLibrary({pack}, root / "resources", root / "server");
        library.rescan();
        settings.setShuffle(false);
        screens.list = test::FakeScreens::row({{1920, 1080}, {1920, 1080}});
        presentation = PresentationController::create({env.loop, env.queue("render"),
                                                       env.queue("utility"), settings, screens,
                                                       covers, pictures, writer, root / "cache"});
        engine = WallpaperEngine::create(
            {library, settings, env.loop, center, *presentation, appearance});
        commands = std::make_unique<AppCommands>(*engine, settings, ShellActions{});
        StatusMenuHooks hooks;
        hooks.closeMenu = [this] { tray->closeMenu(); };
        menu = std::make_unique<StatusMenu>(*commands, library, env.loop, std::move(hooks));
        observation = engine->observeCurrent([this] { menu->currentChanged(); });
        engine->start();
        env.advance(Seconds(3));
        tray = std::make_unique<Tray>(*menu);
    }
    ~MenuRig() {
        tray.reset();
        observation.reset();
        menu.reset();
    }

    test::TestEnvironment env;
    NotificationCenter center;
    UserDefaults defaults{fs::temp_directory_path() /
                              ("ks-menu-settings-" + std::to_string(getpid()) + ".plist"),
                          env.loop};
    SettingsStore settings{defaults, center};
    Library library;
    test::FakeScreens screens;
    test::FakeCoverWindows covers;
    test::FakeDesktopPictures pictures;
    test::FakeWallpaperSetter writer;
    test::FakeAppearance appearance;
    std::shared_ptr<PresentationController> presentation;
    std::shared_ptr<WallpaperEngine> engine;
    std::unique_ptr<AppCommands> commands;
    std::unique_ptr<StatusMenu> menu;
    NotificationCenter::Observation observation;
    std::unique_ptr<Tray> tray;
};

struct Timings {
    double cold = 0;
    double median = 0;
    double longest = 0;
    bool ok = true;
};

// Opens and closes one menu 1 + kWarmRuns times, timing each opening to its first frame.
template <typename Open, typename Close>
Timings timeOpenings(FrameProbe& app, const QWidget& window, const QObject& painted, Open open,
                     Close close) {
    std::vector<double> runs;
    for (int run = 0; run <= kWarmRuns; ++run) {
        app.watch(&window, &painted);
        const auto start = Clock::now();
        open();
        if (!runUntil([&] { return app.done.has_value(); }, 5s))
            return {0, 0, 0, false};
        runs.push_back(milliseconds(*app.done - start));
        app.watch(nullptr, nullptr);
        close();
        // A little after a closed popup lets go of the keyboard, Qt's xcb plugin tells the
        // application it lost the focus, which closes any popup open by then.
        runFor(600ms);
    }
    Timings timings;
    timings.cold = runs.front();
    std::vector<double> warm(runs.begin() + 1, runs.end());
    std::sort(warm.begin(), warm.end());
    timings.median = warm[warm.size() / 2];
    timings.longest = warm.back();
    return timings;
}

int latency(const std::string& mode) {
    int argc = 1;
    char name[] = "kestrane-bench-menu";
    char* argv[] = {name, nullptr};
    FrameProbe app(argc, argv);
    MenuRig rig;
    if (!rig.menu->model().image()) {
        std::cerr << "kestrane-bench-menu: the first wallpaper has no thumbnail\n";
        return 1;
    }

    // The toolkit's own first-use costs (fonts, style) are paid before either is timed.
    {
        QMenu warmUp;
        warmUp.addAction(QStringLiteral("Warm-up"));
        warmUp.popup(QPoint(40, 40));
        runFor(200ms);
    }
    MenuPopup& popup = *rig.tray->popup();
    const Timings ours = timeOpenings(
        app, popup, popup.banner(), [&] { rig.tray->openMenu(); }, [&] { rig.tray->closeMenu(); });
    // Without a row an empty QMenu has no size and never draws: it gets the popup's width.
    QMenu empty;
    empty.setMinimumSize(MenuPopup::kWidth, 22);
    const Timings plain = timeOpenings(
        app, empty, empty, [&] { empty.popup(QPoint(120, 120)); }, [&] { empty.hide(); });
    if (!ours.ok || !plain.ok) {
        std::cerr << "kestrane-bench-menu: " << (ours.ok ? "the empty QMenu" : "the popup")
                  << " never showed a frame on " << mode << "\n";
        return 1;
    }
    std::printf("%s %.2f %.2f %.2f %.2f %.2f %.2f %d\n", mode.c_str(), ours.cold, ours.median,
                ours.longest, plain.cold, plain.median, plain.longest, kWarmRuns);
    return 0;
}

class Wakeups {
public:
    int run() {
        std::string reason;
        if (!e2e::XorgDisplay::available(&reason)) {
            std::cout << "skipped " << reason << "\n";
            return 0;
        }
        if (!e2e::findExecutable("trayer") || !e2e::findExecutable("xdotool")) {
            std::cout << "skipped trayer or xdotool is not installed\n";
            return 0;
        }
        if (!x.start(&reason))
            return fail(reason);
        if (!writeLibrary() || !writeSettings())
            return fail("could not write the test library or the settings");
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");

        x.spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                 "--height", "32"},
                "trayer");
        if (!waitUntil(10s, [&] { return !trayWindow(false).empty(); }))
            return fail("trayer did not start");
        e2e::ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
        if (app.pid() < 0)
            return fail("could not start the application");
        if (!waitUntil(30s, [&] { return x.rootPixmapProperty().has_value(); }))
            return fail("the launch's change never reached the desktop", &app);
        if (!waitUntil(15s, [&] { return !visible("^Kestrane Wallpapers cover$"); }))
            return fail("the launch's covers stayed up", &app);
        std::this_thread::sleep_for(3s);

        const double closed = wakeups(app);
        if (!clickTrayIcon())
            return fail("could not find the tray icon", &app);
        if (!waitUntil(5s, [&] { return visible("^Kestrane Wallpapers$"); }))
            return fail("a click on the tray icon did not open the menu", &app);
        std::this_thread::sleep_for(1s);
        std::string openThreads;
        const double open = wakeups(app, &openThreads);
        x.run({"xdotool", "key", "Escape"});
        if (!waitUntil(5s, [&] { return !visible("^Kestrane Wallpapers$"); }))
            return fail("Escape did not close the menu", &app);
        std::this_thread::sleep_for(1s);
        const double closedAgain = wakeups(app);
        if (!app.running())
            return fail("the application ended", &app);
        std::printf("wakeups %.3f %.3f %.3f %.0f\n", closed, open, closedAgain,
                    std::chrono::duration<double>(kWakeupWindow).count());
        std::printf("open threads%s\n", openThreads.c_str());
        return 0;
    }

private:
    bool writeLibrary() {
        tools::SourcePack pack{"idle", "Idle", false, {}, {}, true};
        int n = 0;
        for (const auto& [width, height] : {std::pair{1920, 1080}, {2048, 1152}}) {
            const auto bytes =
                readWholeFile(bench::photoLikePicture(dataDir(), "jpg", width, height));
            if (!bytes)
                return false;
            pack.pictures.push_back({std::to_string(++n) + ".jpg", Variant::neutral, *bytes});
        }
        return tools::writeLibrary({pack}, x.root() / "resources", x.root() / "server").ok();
    }

    bool writeSettings() {
        ManualLoop loop;
        UserDefaults settings(
            x.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist", loop);
        settings.set("shuffle", false);
        // No scheduled change falls in the windows; the countdown still ticks each second.
        settings.set("intervalSeconds", 3600.0);
        settings.set("perDisplayWallpapers", false);
        return settings.flush();
    }

    // Trayer's panel (class "trayer"); it shows once it holds an icon.
    std::string trayWindow(bool shown) {
        std::vector<std::string> command{"xdotool", "search", "--class", "trayer"};
        if (shown)
            command.insert(command.begin() + 2, "--onlyvisible");
        const std::string ids = x.run(command).out;
        return ids.substr(0, ids.find('\n'));
    }

    bool visible(const std::string& name) {
        return !x.run({"xdotool", "search", "--onlyvisible", "--name", name}).out.empty();
    }

    // Clicks the middle of trayer's window, which holds our icon alone.
    bool clickTrayIcon() {
        std::string id;
        if (!waitUntil(10s, [&] { return !(id = trayWindow(true)).empty(); }))
            return false;
        const std::string shell =
            x.run({"xdotool", "getwindowgeometry", "--shell", id}).out; // X=… Y=… WIDTH=…
        const auto field = [&](const std::string& key) {
            const auto at = shell.find(key + "=");
            return at == std::string::npos ? -1 : std::atoi(shell.c_str() + at + key.size() + 1);
        };
        const int left = field("X"), top = field("Y"), width = field("WIDTH"),
                  height = field("HEIGHT");
        if (left < 0 || width <= 0)
            return false;
        return x.run({"xdotool", "mousemove", "--sync", std::to_string(left + width / 2),
                      std::to_string(top + height / 2), "click", "1"})
                   .status == 0;
    }

    // The process's wake-ups per second over one window, and its threads' in `threads`.
    double wakeups(e2e::ChildProcess& app, std::string* threads = nullptr) {
        const auto before = bench::threadCounts(app.pid());
        const auto start = Clock::now();
        std::this_thread::sleep_for(kWakeupWindow);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto after = bench::threadCounts(app.pid());
        const bench::Window window = bench::over(before, after, seconds);
        if (threads)
            for (const auto& [tid, count] : after)
                if (window.perThread.at(tid) > 0)
                    *threads +=
                        " " + count.name + " " +
                        std::to_string(static_cast<double>(window.perThread.at(tid)) / seconds)
                            .substr(0, 5);
        return window.perSecond;
    }

    template <typename Condition> static bool waitUntil(Clock::duration limit, Condition done) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return done();
    }

    int fail(const std::string& reason, e2e::ChildProcess* app = nullptr) {
        std::cerr << "kestrane-bench-menu: " << reason << "\n";
        if (app) {
            app->stop();
            std::cerr << app->result().err;
        }
        return 1;
    }

    e2e::XorgDisplay x;
};

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (VIPS_INIT(argv[0]))
        return 1;
    if (mode == "wakeups")
        return Wakeups().run();
    const std::string platform = argc == 3 ? argv[2] : "";
    if (mode != "latency" || (platform != "offscreen" && platform != "xorg")) {
        std::cerr << "usage: kestrane-bench-menu latency offscreen|xorg | wakeups\n";
        return 1;
    }
    if (platform == "offscreen") {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return latency(platform);
    }
    std::string reason;
    if (!e2e::XorgDisplay::available(&reason)) {
        std::cout << "skipped " << reason << "\n";
        return 0;
    }
    e2e::XorgDisplay x;
    if (!x.start(&reason)) {
        std::cerr << "kestrane-bench-menu: " << reason << "\n";
        return 1;
    }
    x.enterEnvironment();
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return latency(platform);
}
