// One 1920x1080 cover cross-fading between two pictures over 1.5 s, on Qt's offscreen
// platform or on a private Xorg: frames per second, the longest gap between two frames, the
// longest time one frame took to draw, and the frames drawn in the 5 s after the fade (at
// rest there should be none). The baseline, in the same run, is one plain full-window
// drawImage of a picture into a 1920x1080 image.
// Prints one line: "MODE fps LONGEST_GAP_MS LONGEST_DRAW_MS MEAN_DRAW_MS FRAMES IDLE_FRAMES
// BASELINE_MS RSS_RAISED_MB RSS_LOWERED_MB", or "skipped REASON".
// Usage: kestrane-bench-cover-fade offscreen|xorg

#include "peak_rss.h"
#include "platform/qt/qt_cover_window.h"
#include "xorg_display.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QVariantAnimation>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ks;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kFadeSeconds = 1.5;

// A diagonal gradient from one colour to another, so every pixel of the blend differs.
Image gradient(std::uint8_t fromRed, std::uint8_t fromBlue) {
    auto pixels = std::make_shared<std::uint8_t[]>(std::size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = pixels.get() + (std::size_t(y) * kWidth + x) * 4;
            const int t = (x + y) * 255 / (kWidth + kHeight);
            p[0] = static_cast<std::uint8_t>(fromRed ? 255 - t / 2 : t / 2);
            p[1] = static_cast<std::uint8_t>(t);
            p[2] = static_cast<std::uint8_t>(fromBlue ? 255 - t / 2 : t / 2);
            p[3] = 255;
        }
    return Image{kWidth, kHeight, std::move(pixels)};
}

// Times every frame the window draws by drawing it here, between two clock readings.
class FrameTimer : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest && event->type() != QEvent::Expose)
            return false;
        const auto start = Clock::now();
        target->event(event);
        const auto end = Clock::now();
        if (recording) {
            starts.push_back(start);
            draws.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        return true;
    }
    bool recording = false;
    std::vector<Clock::time_point> starts;
    std::vector<double> draws;
};

void runFor(int milliseconds) {
    QTimer::singleShot(milliseconds, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// The milliseconds one plain drawImage of a full picture into a window-sized image takes.
double baselineMs(const Image& image) {
    const QImage source(image.pixels.get(), image.width, image.height,
                        static_cast<qsizetype>(image.stride()), QImage::Format_RGBA8888);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    constexpr int kRounds = 60;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRounds; ++i) {
        QPainter painter(&target);
        painter.drawImage(QPoint(), source);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / kRounds;
}

int measure(const std::string& mode) {
    int argc = 1;
    char name[] = "kestrane-bench-cover-fade";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    const Image from = gradient(255, 0);
    const Image to = gradient(0, 255);
    QtCoverWindow cover(QGuiApplication::primaryScreen(), {0, 0, kWidth, kHeight});
    FrameTimer timer;
    cover.window().installEventFilter(&timer);
    cover.show(from, 0);
    cover.raise({0, 0, kWidth, kHeight});
    runFor(500);

    timer.recording = true;
    const auto fadeStart = Clock::now();
    cover.show(to, kFadeSeconds);
    while (cover.fade())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double fadeSeconds = std::chrono::duration<double>(Clock::now() - fadeStart).count();
    runFor(50);
    timer.recording = false;
    const int frames = static_cast<int>(timer.draws.size());
    const int paintsAfterFade = cover.paintCount();
    runFor(5000);
    const int idleFrames = cover.paintCount() - paintsAfterFade;
    // A lowered cover holds its picture but no longer the window's buffer.
    const double raisedMb = static_cast<double>(bench::statusBytes("VmRSS")) / 1048576;
    cover.lower();
    runFor(200);
    const double loweredMb = static_cast<double>(bench::statusBytes("VmRSS")) / 1048576;

    double longestGap = 0;
    for (std::size_t i = 1; i < timer.starts.size(); ++i)
        longestGap = std::max(longestGap, std::chrono::duration<double, std::milli>(
                                              timer.starts[i] - timer.starts[i - 1])
                                              .count());
    const double longestDraw =
        timer.draws.empty() ? 0 : *std::max_element(timer.draws.begin(), timer.draws.end());
    double meanDraw = 0;
    for (double d : timer.draws)
        meanDraw += d / std::max<std::size_t>(1, timer.draws.size());
    std::printf("%s %.1f %.1f %.1f %.2f %d %d %.2f %.1f %.1f\n", mode.c_str(), frames / fadeSeconds,
                longestGap, longestDraw, meanDraw, frames, idleFrames, baselineMs(to), raisedMb,
                loweredMb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode == "offscreen") {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return measure(mode);
    }
    if (mode != "xorg") {
        std::cerr << "usage: kestrane-bench-cover-fade offscreen|xorg\n";
        return 1;
    }
    std::string reason;
    if (!e2e::XorgDisplay::available(&reason)) {
        std::cout << "skipped " << reason << "\n";
        return 0;
    }
    e2e::XorgDisplay x;
    if (!x.start(&reason)) {
        std::cerr << "kestrane-bench-cover-fade: " << reason << "\n";
        return 1;
    }
    x.enterEnvironment();
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return measure(mode);
}
