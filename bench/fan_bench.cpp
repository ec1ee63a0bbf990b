// The pack browser over the bundled library, its wallpapers gathered into one pack (every
// wallpaper whose picture is on disk; the packs that download have none in this run).
// Pictures: from `expandFan` with the thumbnail cache emptied until every tile has its
// picture, against decoding the same thumbnails one after another on the main thread.
// Motion: with the thumbnails cached, the frames the window shows from `expandFan` until the
// fly-out (and, after `collapseFan`, the fly-back) comes to rest: frames per second and the
// longest gap between two frames (goal 50 fps or more, no gap over 40 ms), and the time the
// overlay's paint takes against a repaint of the settings content under it. Memory: the
// resident set before those openings and after them.
// Prints readable lines, or "skipped REASON" on xcb without a DISPLAY. With a folder, saves
// "settings.png" (before), "fan-flight.png" (0.15 s into the fly-out) and "fan-open.png" (at
// rest) of the window there.
// Usage: kestrane-bench-fan offscreen|xcb [SCREENSHOT_DIR]

#include "settings_rig.h"

#include "library/decode_image.h"
#include "library/vips_runtime.h"
#include "ui/fan_overlay.h"
#include "ui/fan_tile.h"
#include "ui/settings_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace ks;
using namespace ks::bench;
using Clock = ks::bench::Clock;
using namespace std::chrono_literals;

constexpr int kRuns = 10;
constexpr std::size_t kMotionTiles = 47;
constexpr double kGoalFps = 50;
constexpr double kGoalGapMs = 40;

// When each frame of the overlay in a window was painted, and how long its paint took.
class FrameProbe : public QApplication {
public:
    using QApplication::QApplication;

    void watch(QWindow* window) {
        m_window = window;
        m_frames.clear();
        m_paints.clear();
    }
    const std::vector<Clock::time_point>& frames() const { return m_frames; }
    const std::vector<double>& paints() const { return m_paints; }

    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        const auto* overlay = type == QEvent::Paint ? dynamic_cast<FanOverlay*>(receiver) : nullptr;
        // A frame of the motion repaints the whole overlay; the badges and the switch over it
        // also repaint the bit of it under them.
        const bool frame = overlay && static_cast<QPaintEvent*>(event)->rect() == overlay->rect() &&
                           overlay->window()->windowHandle() == m_window;
        const auto start = Clock::now();
        const bool result = QApplication::notify(receiver, event);
        if (frame) {
            m_paints.push_back(milliseconds(Clock::now() - start));
            m_frames.push_back(Clock::now());
        }
        return result;
    }

private:
    QWindow* m_window = nullptr;
    std::vector<Clock::time_point> m_frames;
    std::vector<double> m_paints;
};

struct Motion {
    double fps = 0;
    double longestGapMs = 0;
    double medianPaintMs = 0;
    double longestPaintMs = 0;
    int frames = 0;
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The frames from `start` until the overlay came to rest.
Motion motionOf(const FrameProbe& probe, Clock::time_point start) {
    std::vector<Clock::time_point> frames;
    for (const auto frame : probe.frames())
        if (frame >= start)
            frames.push_back(frame);
    Motion motion;
    if (std::getenv("KESTRANE_BENCH_GAPS")) {
        for (std::size_t i = 1; i < frames.size(); ++i)
            std::fprintf(stderr, "%.0f ", milliseconds(frames[i] - frames[i - 1]));
        std::fprintf(stderr, "| paints:");
        for (const double p : probe.paints())
            std::fprintf(stderr, " %.0f", p);
        std::fprintf(stderr, "\n");
    }
    motion.frames = static_cast<int>(frames.size());
    if (frames.size() >= 2) {
        const double span = milliseconds(frames.back() - frames.front());
        motion.fps = (frames.size() - 1) * 1000.0 / span;
        for (std::size_t i = 1; i < frames.size(); ++i)
            motion.longestGapMs =
                std::max(motion.longestGapMs, milliseconds(frames[i] - frames[i - 1]));
    }
    motion.medianPaintMs = median(probe.paints());
    if (!probe.paints().empty())
        motion.longestPaintMs = *std::max_element(probe.paints().begin(), probe.paints().end());
    return motion;
}

bool settle(SettingsView& view) {
    return runUntil(
        [&] {
            const auto* overlay = view.findChild<FanOverlay*>(QStringLiteral("fanOverlay"));
            return view.fanned() ? overlay && !overlay->animating() : !view.expandedPack();
        },
        5s);
}

FanOverlay* overlayOf(SettingsView& view) {
    return view.findChild<FanOverlay*>(QStringLiteral("fanOverlay"));
}

int run(const std::string& platform, const fs::path& home, const fs::path& shots) {
    int argc = 1;
    char name[] = "kestrane-bench-fan";
    char* argv[] = {name, nullptr};
    FrameProbe app(argc, argv);
    SettingsRig rig(home);
    // Under the first pack's identifier, so the wallpapers fly out of its tile.
    Pack pack{
        rig.library.packs().empty() ? "" : rig.library.packs().front().id, "Every Wallpaper", {}};
    for (const Pack& p : rig.library.packs())
        for (const Wallpaper& w : p.wallpapers)
            if (w.blobURL())
                pack.wallpapers.push_back(w);
    if (pack.wallpapers.empty()) {
        std::cerr << "kestrane-bench-fan: the bundled library is missing (build the "
                     "bundled_resources target, or set KESTRANE_RESOURCES)\n";
        return 1;
    }
    ensureVipsStarted();
    {
        QLabel warmUp(QStringLiteral("Warm-up"));
        warmUp.show();
        runLoopFor(300ms);
    }
    rig.makeController();
    rig.controller->show(std::nullopt);
    runLoopFor(1s);
    SettingsView& view = *rig.controller->view();
    app.watch(rig.controller->window()->windowHandle());

    // Pictures, the cache emptied first, after one serial pass that brings the files into the
    // system's page cache for both roads.
    const auto decodeOneByOne = [&] {
        const auto begin = Clock::now();
        for (const Wallpaper& w : pack.wallpapers)
            (void)decodeImage(ImageSource::wallpaper(w), 320);
        return milliseconds(Clock::now() - begin);
    };
    decodeOneByOne();
    rig.thumbnails.setByteLimit(0);
    rig.thumbnails.setByteLimit(ThumbnailCache::kDefaultByteLimit);
    auto start = Clock::now();
    view.expandFan(pack);
    const bool arrived = runUntil(
        [&] {
            const FanOverlay* overlay = overlayOf(view);
            return overlay && std::ranges::all_of(overlay->tiles(),
                                                  [](const auto& t) { return t->hasPicture(); });
        },
        20s);
    const double picturesMs = milliseconds(Clock::now() - start);
    if (!arrived) {
        std::cerr << "kestrane-bench-fan: the pictures never all arrived\n";
        return 1;
    }
    settle(view);
    view.collapseFan();
    settle(view);
    const double serialMs = decodeOneByOne();
    const std::size_t distinct = pack.wallpapers.size();
    // The motion with as many tiles as the bundled library has wallpapers, those without a
    // picture on disk standing in by the ones that have one.
    for (std::size_t i = 0; pack.wallpapers.size() < kMotionTiles; ++i)
        pack.wallpapers.push_back(pack.wallpapers[i % distinct]);

    // Motion, from the cache.
    runLoopFor(3s);
    // Live memory, not what the allocator keeps of freed memory.
    ::malloc_trim(0);
    const double rssBefore = residentMB();
    std::vector<Motion> out, back;
    std::vector<double> contentPaints;
    // With screenshots, a first run takes them and is not measured: grabbing the window stops
    // the motion for a moment.
    for (int run = shots.empty() ? 0 : -1; run < kRuns; ++run) {
        const bool shooting = run < 0;
        app.watch(rig.controller->window()->windowHandle());
        if (shooting)
            rig.controller->window()->grab().save(
                QString::fromStdString((shots / "settings.png").string()));
        start = Clock::now();
        view.expandFan(pack);
        if (shooting) {
            runLoopFor(150ms);
            rig.controller->window()->grab().save(
                QString::fromStdString((shots / "fan-flight.png").string()));
        }
        if (!settle(view))
            return 1;
        if (!shooting)
            out.push_back(motionOf(app, start));
        if (shooting) {
            // A favourite, the wallpaper on the desktop and one under the pointer, for the
            // picture.
            rig.settings.toggleFavorite(pack.wallpapers[3]);
            rig.settings.setLastShownKey(pack.wallpapers[9].key());
            FanOverlay* overlay = overlayOf(view);
            const QPointF over = overlay->cellRect(12).center();
            QMouseEvent move(QEvent::MouseMove, over, overlay->mapToGlobal(over), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(overlay, &move);
            runLoopFor(300ms);
            rig.controller->window()->grab().save(
                QString::fromStdString((shots / "fan-open.png").string()));
            rig.settings.toggleFavorite(pack.wallpapers[3]);
            QMouseEvent away(QEvent::MouseMove, QPointF(1, 1), overlay->mapToGlobal(QPointF(1, 1)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(overlay, &away);
        }
        app.watch(rig.controller->window()->windowHandle());
        start = Clock::now();
        view.collapseFan();
        if (!settle(view))
            return 1;
        if (!shooting)
            back.push_back(motionOf(app, start));
        // The settings content's own repaint, the same size, for scale.
        QElapsedTimer timer;
        timer.start();
        view.repaint();
        contentPaints.push_back(timer.nsecsElapsed() / 1e6);
        runLoopFor(200ms);
    }

    const auto summary = [](const std::vector<Motion>& runs) {
        Motion m;
        std::vector<double> fps, gap, paint, longest;
        for (const Motion& r : runs) {
            fps.push_back(r.fps);
            gap.push_back(r.longestGapMs);
            paint.push_back(r.medianPaintMs);
            longest.push_back(r.longestPaintMs);
        }
        m.fps = *std::min_element(fps.begin(), fps.end());
        m.longestGapMs = *std::max_element(gap.begin(), gap.end());
        m.medianPaintMs = median(paint);
        m.longestPaintMs = *std::max_element(longest.begin(), longest.end());
        m.frames = runs.front().frames;
        return m;
    };
    const Motion o = summary(out);
    const Motion b = summary(back);
    // What the openings leave behind.
    runLoopFor(3s);
    ::malloc_trim(0);
    const double rssAfter = residentMB();
    const double content = median(contentPaints);
    const char* p = platform.c_str();
    const QSize size = rig.controller->window()->size();
    std::printf("%-9s pack browser over a %dx%d settings window\n", p, size.width(), size.height());
    std::printf("%-9s all %zu pictures, cache emptied: %.0f ms; decoding them one by one on the "
                "main thread: %.0f ms (%.2fx)\n",
                p, distinct, picturesMs, serialMs, serialMs / picturesMs);
    for (const auto& [what, m] : {std::pair{"fly-out ", o}, std::pair{"fly-back", b}})
        std::printf("%-9s %s, %zu tiles (worst of %d): %.1f fps, longest gap %.1f ms, %d frames; "
                    "goal %.0f fps "
                    "and %.0f ms: %s\n",
                    p, what, pack.wallpapers.size(), kRuns, m.fps, m.longestGapMs, m.frames,
                    kGoalFps, kGoalGapMs,
                    m.fps >= kGoalFps && m.longestGapMs <= kGoalGapMs ? "met" : "MISSED");
    std::printf("%-9s overlay paint: median %.2f ms, longest %.2f ms; the settings content's own "
                "repaint %.2f ms (%.1fx)\n",
                p, o.medianPaintMs, std::max(o.longestPaintMs, b.longestPaintMs), content,
                o.medianPaintMs / std::max(content, 0.001));
    std::printf("%-9s RSS after malloc_trim %.1f MB before the openings above, %.1f MB 3 s after "
                "the last closed "
                "(%+.2f MB per opening)\n",
                p, rssBefore, rssAfter, (rssAfter - rssBefore) / kRuns);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string platform = argc >= 2 ? argv[1] : "";
    if ((platform != "offscreen" && platform != "xcb") || argc > 3) {
        std::cerr << "usage: kestrane-bench-fan offscreen|xcb [SCREENSHOT_DIR]\n";
        return 1;
    }
    if (platform == "xcb" && !std::getenv("DISPLAY")) {
        std::cout << "skipped no DISPLAY\n";
        return 0;
    }
    const fs::path shots = argc == 3 ? fs::absolute(argv[2]) : fs::path();
    ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    ::setenv("KESTRANE_NO_SYSLOG", "1", 0);
    BenchHome home("kestrane-bench-fan");
    if (home.root.empty())
        return 1;
    return run(platform, home.root, shots);
}
