// The settings window over the bundled library.
// Latency: from the controller's `show` to the first complete frame in which every pack
// tile's cover has been painted with its picture and the window flushed, against the first
// frame of an empty QWidget window as wide and as tall, shown in the same process. The first
// opening (cold: empty thumbnail cache, the window's first build) and the median and longest
// of the openings after a close (warm: a fresh window, the cache filled). A small window is
// shown first, as the tray is in the application, so the toolkit's start is in neither. A
// tile whose cover has no blob on disk (a pack that downloads; the benchmark runs no pack
// server) shows its plain fill: it is left out of the wait and named.
// Memory: the resident set before the first opening, with the window open, and after 10 s of
// the event loop once it closed; then again after the warm openings, which shows whether
// each opening leaves something behind.
// Prints readable lines, or "skipped REASON" on xcb without a DISPLAY.
// Usage: kestrane-bench-settings offscreen|xcb

#include "settings_rig.h"

#include "base/concurrent_queue.h"
#include "base/main_loop.h"
#include "base/notification_center.h"
#include "library/library.h"
#include "library/thumbnail_cache.h"
#include "library/vips_runtime.h"
#include "platform/login_items.h"
#include "platform/qt/qt_main_loop.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "ui/pack_tile.h"
#include "ui/settings_view.h"
#include "ui/settings_window_controller.h"
#include "ui/thumb_image.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace ks;
using namespace ks::bench;
using Clock = ks::bench::Clock;
using namespace std::chrono_literals;

constexpr int kWarmRuns = 10;
constexpr auto kSettle = 10s;
constexpr auto kCoverLimit = 10s;
constexpr double kGoalMs = 150;
constexpr double kGoalMB = 10;

// Notes, for every widget window, when each expose or update request returned (the frame it
// painted is flushed by then), and when each thumbnail last finished a paint with its picture.
// Both are kept from the start of a run, as a show may paint before it returns.
class FrameProbe : public QApplication {
public:
    using QApplication::QApplication;

    void reset() {
        m_frames.clear();
        m_covers.clear();
    }

    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool result = QApplication::notify(receiver, event);
        if (type == QEvent::Paint) {
            if (const auto* thumb = dynamic_cast<const ThumbImage*>(receiver);
                thumb && thumb->hasImage())
                m_covers[thumb] = Clock::now();
        } else if ((type == QEvent::Expose || type == QEvent::UpdateRequest) &&
                   receiver->isWindowType()) {
            m_frames[receiver].push_back(Clock::now());
        } else if (type == QEvent::UpdateRequest && receiver->isWidgetType()) {
            // Widgets' own repaints are requested of the top-level widget, not its window.
            if (const auto* widget = static_cast<const QWidget*>(receiver); widget->isWindow())
                m_frames[widget->windowHandle()].push_back(Clock::now());
        }
        return result;
    }

    // The end of the first frame of `window` that came after every one of `covers` was
    // painted with its picture; none while one is still missing.
    std::optional<Clock::time_point> frameAfter(const QWidget& window,
                                                const std::vector<const ThumbImage*>& covers) {
        Clock::time_point last{};
        for (const ThumbImage* cover : covers) {
            const auto found = m_covers.find(cover);
            if (found == m_covers.end())
                return std::nullopt;
            last = std::max(last, found->second);
        }
        const auto frames = m_frames.find(window.windowHandle());
        if (frames == m_frames.end())
            return std::nullopt;
        for (const Clock::time_point end : frames->second)
            if (end >= last)
                return end;
        return std::nullopt;
    }

private:
    std::map<const QObject*, std::vector<Clock::time_point>> m_frames;
    std::map<const ThumbImage*, Clock::time_point> m_covers;
};

struct Opening {
    double ms = 0;
    int tiles = 0;
    QSize size;
    // The packs whose tile has no picture to show: its cover's blob is neither shipped nor
    // downloaded, so the thumbnail cache answers none and the tile keeps its blank fill.
    std::vector<std::string> blank;
};

// Whether the tile's cover can arrive at all: the all-packs picture, or a blob on disk.
bool coverCanArrive(const PackTile& tile) {
    const std::optional<ImageSource>& cover = tile.state().cover;
    return !cover || !cover->asWallpaper() || cover->asWallpaper()->blobURL().has_value();
}

std::vector<const PackTile*> tilesOf(const QWidget& view) {
    std::vector<const PackTile*> tiles;
    // PackTile has no Q_OBJECT, so findChildren<PackTile*> would match every widget.
    for (const QWidget* child : view.findChildren<QWidget*>())
        if (const auto* tile = dynamic_cast<const PackTile*>(child))
            tiles.push_back(tile);
    return tiles;
}

// Opens the settings window and waits for its first frame with every cover that can arrive;
// none on time-out.
std::optional<Opening> openSettings(FrameProbe& app, SettingsRig& rig) {
    app.reset();
    const auto start = Clock::now();
    rig.controller->show(std::nullopt);
    const QPointer<QWidget> window = rig.controller->window();
    const std::vector<const PackTile*> tiles = tilesOf(*rig.controller->view());
    std::vector<const ThumbImage*> covers;
    Opening opening;
    for (const PackTile* tile : tiles)
        if (coverCanArrive(*tile))
            covers.push_back(tile->cover());
        else
            opening.blank.push_back(tile->state().id);
    std::optional<Clock::time_point> done;
    runUntil([&] { return !window || (done = app.frameAfter(*window, covers)).has_value(); },
             kCoverLimit);
    if (!window) {
        std::cerr << "kestrane-bench-settings: the window went away while it opened\n";
        return std::nullopt;
    }
    opening.tiles = static_cast<int>(tiles.size());
    opening.size = window->size();
    if (!done) {
        const auto arrived = std::count_if(covers.begin(), covers.end(),
                                           [](const ThumbImage* c) { return c->hasImage(); });
        std::cerr << "kestrane-bench-settings: after "
                  << std::chrono::duration<double>(kCoverLimit).count() << " s, " << arrived
                  << " of " << covers.size() << " pack covers with a picture had arrived\n";
        return std::nullopt;
    }
    opening.ms = milliseconds(*done - start);
    return opening;
}

// Closes the window as its close button would and waits until it is deleted.
bool closeSettings(SettingsRig& rig) {
    const QPointer<QWidget> window = rig.controller->window();
    window->close();
    return runUntil([&] { return window.isNull() && !rig.controller->window(); }, 5s);
}

// An empty window of `size`, shown to its first frame; the time, or none on time-out.
std::optional<double> openEmpty(FrameProbe& app, QSize size) {
    app.reset();
    QWidget empty;
    empty.setFixedSize(size);
    const auto start = Clock::now();
    empty.show();
    std::optional<Clock::time_point> done;
    if (!runUntil([&] { return (done = app.frameAfter(empty, {})).has_value(); }, 5s))
        return std::nullopt;
    return milliseconds(*done - start);
}

struct Warm {
    double median = 0;
    double longest = 0;
};

Warm summary(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return {runs[runs.size() / 2], runs.back()};
}

int run(const std::string& platform, const fs::path& home) {
    int argc = 1;
    char name[] = "kestrane-bench-settings";
    char* argv[] = {name, nullptr};
    FrameProbe app(argc, argv);
    SettingsRig rig(home);
    if (rig.library.packs().empty()) {
        std::cerr << "kestrane-bench-settings: the bundled library is missing (build the "
                     "bundled_resources target, or set KESTRANE_RESOURCES)\n";
        return 1;
    }
    // The application has libvips and the toolkit's fonts and style going long before the
    // window first opens: neither is the window's cost.
    ensureVipsStarted();
    {
        QLabel warmUp(QStringLiteral("Warm-up"));
        warmUp.show();
        runUntil([&] { return app.frameAfter(warmUp, {}).has_value(); }, 5s);
    }
    runLoopFor(200ms);
    rig.makeController();

    const double before = residentMB();
    const std::optional<Opening> cold = openSettings(app, rig);
    if (!cold)
        return 1;
    const double open = residentMB();
    if (!closeSettings(rig)) {
        std::cerr << "kestrane-bench-settings: the closed window was never deleted\n";
        return 1;
    }
    runLoopFor(kSettle);
    const double after = residentMB();

    const std::optional<double> emptyCold = openEmpty(app, cold->size);
    if (!emptyCold) {
        std::cerr << "kestrane-bench-settings: the empty window never showed a frame\n";
        return 1;
    }
    // What the cache still holds for the reopenings: closing may let the pictures go.
    const double cachedAtReopen = static_cast<double>(rig.thumbnails.cachedBytes()) / (1024 * 1024);
    std::vector<double> ours, plain;
    for (int i = 0; i < kWarmRuns; ++i) {
        const std::optional<Opening> warm = openSettings(app, rig);
        if (!warm || !closeSettings(rig))
            return 1;
        ours.push_back(warm->ms);
        const std::optional<double> empty = openEmpty(app, cold->size);
        if (!empty)
            return 1;
        plain.push_back(*empty);
        runLoopFor(100ms);
    }
    runLoopFor(kSettle);
    const double afterWarm = residentMB();
    // How much of what stays is free heap the allocator keeps rather than live memory.
    ::malloc_trim(0);
    const double trimmed = residentMB();

    const Warm warm = summary(ours);
    const Warm empty = summary(plain);
    const char* p = platform.c_str();
    std::printf("%-9s settings window %dx%d, %d pack tiles, %zu covers drawn\n", p,
                cold->size.width(), cold->size.height(), cold->tiles,
                cold->tiles - cold->blank.size());
    if (!cold->blank.empty()) {
        std::string ids;
        for (const std::string& id : cold->blank)
            ids += " " + id;
        std::printf("%-9s %zu tiles without a cover, their packs not downloaded in this run:%s\n",
                    p, cold->blank.size(), ids.c_str());
    }
    std::printf("%-9s to the first frame with every cover: %6.1f ms cold, %6.2f ms warm "
                "(median of %d, longest %.2f)\n",
                p, cold->ms, warm.median, kWarmRuns, warm.longest);
    std::printf("%-9s   the thumbnail cache holding %.1f MB when the window reopens\n", p,
                cachedAtReopen);
    std::printf("%-9s empty %dx%d QWidget window:           %6.2f ms cold, %6.2f ms warm "
                "(longest %.2f)\n",
                p, cold->size.width(), cold->size.height(), *emptyCold, empty.median,
                empty.longest);
    std::printf("%-9s ratio to the empty window: %.1fx cold, %.1fx warm; goal %.0f ms or less: "
                "%s cold, %s warm\n",
                p, cold->ms / *emptyCold, warm.median / empty.median, kGoalMs,
                cold->ms <= kGoalMs ? "met" : "MISSED", warm.median <= kGoalMs ? "met" : "MISSED");
    std::printf("%-9s RSS %.1f MB before the first opening, %.1f MB open (+%.1f), %.1f MB %.0f s "
                "after closing: %+.1f MB (goal within %.0f MB: %s)\n",
                p, before, open, open - before, after,
                std::chrono::duration<double>(kSettle).count(), after - before, kGoalMB,
                after - before <= kGoalMB ? "met" : "MISSED");
    std::printf("%-9s RSS %.1f MB %.0f s after %d more openings: %+.1f MB on the first close, "
                "%.2f MB per opening\n",
                p, afterWarm, std::chrono::duration<double>(kSettle).count(), kWarmRuns,
                afterWarm - after, (afterWarm - after) / kWarmRuns);
    std::printf("%-9s RSS %.1f MB after malloc_trim (%+.1f MB over the level before the first "
                "opening), the thumbnail cache holding %.1f MB\n",
                p, trimmed, trimmed - before,
                static_cast<double>(rig.thumbnails.cachedBytes()) / (1024 * 1024));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string platform = argc == 2 ? argv[1] : "";
    if (platform != "offscreen" && platform != "xcb") {
        std::cerr << "usage: kestrane-bench-settings offscreen|xcb\n";
        return 1;
    }
    if (platform == "xcb" && !std::getenv("DISPLAY")) {
        std::cout << "skipped no DISPLAY\n";
        return 0;
    }
    ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    ::setenv("KESTRANE_NO_SYSLOG", "1", 0);
    BenchHome home("kestrane-bench-settings");
    if (home.root.empty())
        return 1;
    return run(platform, home.root);
}
