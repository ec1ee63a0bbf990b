// The real application at rest on a private Xorg with two 1920x1080 outputs, and one
// scheduled change after the rest.
// Idle: once its first change is shown and the covers are down, the wake-ups per second of
// the application's own threads over 60 s (voluntary and involuntary context switches,
// listed per thread so a noisy one can be found) and its resident size. The baselines, in
// the same window: a `sleep` and a bare Qt Widgets application with a tray icon on the same
// display.
// Change: the resident size just before the next change, its peak while it runs (sampled
// every 50 ms, and the kernel's high-water mark), and once the covers are down again.
// Prints readable lines, or "skipped REASON" without Xorg; the status is not zero only when
// the harness itself fails, never for a figure.
// Usage: kestrane-bench-idle [bare-qt]

#include "bench_pictures.h"
#include "peak_rss.h"
#include "thread_wakeups.h"

#include "base/file_io.h"
#include "base/manual_loop.h"
#include "library_writer.h"
#include "settings/user_defaults.h"
#include "xorg_display.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vips/vips8>

namespace {

namespace fs = std::filesystem;
using namespace ks;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The change after launch falls due this long after it: well after the idle window.
constexpr double kIntervalSeconds = 90;
constexpr double kCrossfadeSeconds = 1.5;
constexpr auto kIdleWindow = 60s;
// Time for what the launch started to finish before the window opens.
constexpr auto kSettle = 5s;

fs::path dataDir() {
    const char* dir = std::getenv("KESTRANE_BENCH_DATA");
    return dir ? dir : "bench-data";
}

double rssMb(pid_t pid) {
    return static_cast<double>(
               bench::statusField("/proc/" + std::to_string(pid) + "/status", "VmRSS")) /
           1024;
}

using bench::over;
using bench::threadCounts;
using bench::Window;

// A tray application that does nothing: what the toolkit alone costs at rest.
int bareQt(int argc, char** argv) {
    QApplication app(argc, argv);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    return QApplication::exec();
}

class Bench {
public:
    int run() {
        std::string reason;
        if (!e2e::XorgDisplay::available(&reason)) {
            std::cout << "skipped " << reason << "\n";
            return 0;
        }
        if (!x.start(&reason))
            return fail(reason);
        if (!writeLibrary() || !writeSettings())
            return fail("could not write the test library or the settings");
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");

        const auto launched = Clock::now();
        e2e::ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
        e2e::ChildProcess& sleeper = x.spawn({"sleep", "1000"}, "sleep");
        e2e::ChildProcess& qt =
            x.spawn({fs::read_symlink("/proc/self/exe").string(), "bare-qt"}, "bare-qt");
        if (app.pid() < 0 || sleeper.pid() < 0 || qt.pid() < 0)
            return fail("could not start the application or a baseline");

        // The launch's change: the desktop holds a picture and no cover is up.
        if (!waitUntil(30s, [&] { return x.rootPixmapProperty().has_value(); }))
            return fail("the launch's change never reached the desktop", &app);
        if (!waitUntil(15s, [&] { return visibleCovers().empty(); }))
            return fail("the launch's covers stayed up", &app);
        const auto firstDown = Clock::now();
        std::this_thread::sleep_for(kSettle);
        if (!visibleCovers().empty())
            return fail("covers came up again before the idle window", &app);
        const auto changeDue = launched + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(kIntervalSeconds));
        if (Clock::now() + kIdleWindow + 3s > changeDue)
            return fail("the launch took too long to leave a full idle window before the change",
                        &app);
        std::printf("launch: first change shown and covers down %.1f s after the start\n",
                    std::chrono::duration<double>(firstDown - launched).count());

        if (!idle(app, sleeper, qt))
            return fail("a process ended during the idle window", &app);
        if (!change(app, changeDue))
            return fail("the scheduled change did not come or its covers stayed up", &app);
        if (!app.running())
            return fail("the application ended", &app);
        return 0;
    }

private:
    bool writeLibrary() {
        const fs::path pictures = dataDir();
        tools::SourcePack pack{"idle", "Idle", false, {}, {}, true};
        int n = 0;
        for (const auto& [width, height] : {std::pair{1920, 1080}, {2048, 1152}, {2560, 1440}}) {
            const auto bytes =
                readWholeFile(bench::photoLikePicture(pictures, "jpg", width, height));
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
        settings.set("intervalSeconds", kIntervalSeconds);
        settings.set("crossfadeSeconds", kCrossfadeSeconds);
        settings.set("perDisplayWallpapers", false);
        return settings.flush();
    }

    // Windows of the application that are mapped: its covers.
    std::string visibleCovers() {
        return x.run({"xdotool", "search", "--onlyvisible", "--classname", "kestrane-wallpapers"})
            .out;
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

    bool idle(e2e::ChildProcess& app, e2e::ChildProcess& sleeper, e2e::ChildProcess& qt) {
        const auto appBefore = threadCounts(app.pid());
        const auto sleepBefore = threadCounts(sleeper.pid());
        const auto qtBefore = threadCounts(qt.pid());
        const auto start = Clock::now();
        // Reading /proc wakes none of them; nothing else touches them meanwhile.
        double lowest = rssMb(app.pid()), highest = lowest;
        while (Clock::now() - start < kIdleWindow) {
            std::this_thread::sleep_for(1s);
            const double rss = rssMb(app.pid());
            lowest = std::min(lowest, rss);
            highest = std::max(highest, rss);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const auto appAfter = threadCounts(app.pid());
        const auto sleepAfter = threadCounts(sleeper.pid());
        const auto qtAfter = threadCounts(qt.pid());
        if (!app.running() || !sleeper.running() || !qt.running())
            return false;

        const Window appWindow = over(appBefore, appAfter, seconds);
        const Window sleepWindow = over(sleepBefore, sleepAfter, seconds);
        const Window qtWindow = over(qtBefore, qtAfter, seconds);
        std::printf("idle %.0f s: app %.3f wake-ups/s (goal 0.1 or fewer) vs baseline sleep "
                    "%.3f/s and bare Qt tray app %.3f/s\n",
                    seconds, appWindow.perSecond, sleepWindow.perSecond, qtWindow.perSecond);
        std::printf("idle: app %.3f wake-ups/s from the %zu threads that stayed, and %zu that "
                    "ended in the window at one wake-up each; bare Qt tray app %zu threads\n",
                    appWindow.perSecond - static_cast<double>(appWindow.ended.size()) / seconds,
                    appAfter.size(), appWindow.ended.size(), qtAfter.size());
        for (const auto& [label, after, window] :
             {std::tuple{"app", &appAfter, &appWindow}, std::tuple{"bare-qt", &qtAfter, &qtWindow}})
            for (const auto& [tid, count] : *after)
                std::printf(
                    "  %-8s thread %-7d %-16s %5llu wake-ups (%.3f/s), %llu since its start\n",
                    label, tid, count.name.c_str(),
                    static_cast<unsigned long long>(window->perThread.at(tid)),
                    static_cast<double>(window->perThread.at(tid)) / seconds,
                    static_cast<unsigned long long>(count.switches));
        for (const auto& [tid, count] : appWindow.ended)
            std::printf(
                "  app      thread %-7d %-16s ended in the window, %llu wake-ups before it\n", tid,
                count.name.c_str(), static_cast<unsigned long long>(count.switches));
        std::printf("idle RSS: app %.1f MB (%.1f to %.1f MB over the window, goal 75 MB or less), "
                    "bare Qt tray app %.1f MB\n",
                    rssMb(app.pid()), lowest, highest, rssMb(qt.pid()));
        return true;
    }

    bool change(e2e::ChildProcess& app, Clock::time_point due) {
        const auto pid = std::to_string(app.pid());
        const auto pixmap = x.rootPixmapProperty();
        std::this_thread::sleep_until(due - 2s);
        const double before = rssMb(app.pid());
        // A new high-water mark from here, so the kernel's peak is this change's alone.
        const bool hwm = static_cast<bool>(std::ofstream("/proc/" + pid + "/clear_refs") << "5");
        const double hwmBefore =
            static_cast<double>(bench::statusField("/proc/" + pid + "/status", "VmHWM")) / 1024;

        // RSS every 50 ms; the covers every 250 ms, between two samples.
        double peak = before;
        bool changed = false, sawCovers = false;
        Clock::time_point down{};
        const auto limit = due + 30s;
        for (int tick = 0; Clock::now() < limit; ++tick) {
            peak = std::max(peak, rssMb(app.pid()));
            if (tick % 5 == 0) {
                changed = changed || x.rootPixmapProperty() != pixmap;
                const bool covers = !visibleCovers().empty();
                sawCovers = sawCovers || covers;
                if ((changed || sawCovers) && !covers) {
                    down = Clock::now();
                    break;
                }
            }
            std::this_thread::sleep_for(50ms);
        }
        if (down == Clock::time_point{})
            return false;
        const auto settle = down + 3s;
        while (Clock::now() < settle) {
            peak = std::max(peak, rssMb(app.pid()));
            std::this_thread::sleep_for(50ms);
        }
        const double after = rssMb(app.pid());
        const double hwmPeak =
            static_cast<double>(bench::statusField("/proc/" + pid + "/status", "VmHWM")) / 1024;
        std::this_thread::sleep_for(7s);
        const double later = rssMb(app.pid());

        std::printf("change: covers down %.1f s after it fell due (covers %s seen)\n",
                    std::chrono::duration<double>(down - due).count(), sawCovers ? "were" : "not");
        std::printf("change RSS: before %.1f MB, peak %.1f MB sampled every 50 ms", before, peak);
        if (hwm && hwmPeak >= hwmBefore)
            std::printf(" (kernel high-water mark %.1f MB)", hwmPeak);
        std::printf(
            ", covers down + 3 s %.1f MB (%+.1f%%, goal within 10%%), + 10 s %.1f MB (%+.1f%%)\n",
            after, 100 * (after - before) / before, later, 100 * (later - before) / before);
        return true;
    }

    int fail(const std::string& reason, e2e::ChildProcess* app = nullptr) {
        std::cerr << "kestrane-bench-idle: " << reason << "\n";
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
    if (argc == 2 && std::string(argv[1]) == "bare-qt")
        return bareQt(argc, argv);
    if (argc != 1) {
        std::cerr << "usage: kestrane-bench-idle [bare-qt]\n";
        return 1;
    }
    if (VIPS_INIT(argv[0]))
        return 1;
    return Bench().run();
}
