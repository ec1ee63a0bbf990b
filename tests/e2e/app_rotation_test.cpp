// The real application on a real X server with two outputs: it puts its first wallpaper on
// both at launch, changes it on schedule with a cross-fade over covers that come down
// afterwards, and gives every output its own wallpaper when asked to.

#include "app_on_xorg.h"

#include <gtest/gtest.h>

#include <thread>

namespace ks::e2e {
namespace {

class AppRotationTest : public AppOnXorgTest {
protected:
    // Windows of the application that are mapped: its covers.
    std::string visibleCovers() {
        return x.run({"xdotool", "search", "--onlyvisible", "--classname", "kestrane-wallpapers"})
            .out;
    }
    // Polls until no cover is mapped; the mapped ones after `limit`.
    std::string coversLeftAfter(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        std::string covers = visibleCovers();
        while (!covers.empty() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(100ms);
            covers = visibleCovers();
        }
        return covers;
    }
};

TEST_F(AppRotationTest, ChangesEveryOutputAtLaunchThenCrossFadesOnSchedule) {
    // The next change 10 s after launch, the one after it 10 s later: room to see the
    // covers down in between.
    writeSettings(false, 10.0);
    ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
    ASSERT_TRUE(waitFor(kRed, kRed))
        << "launch: " << centres().first << centres().second << logOf(app);

    // The fade of the next change lasts 3 s.
    bool sawBlend = false;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end && !sawBlend) {
        const Rgb c = centres().first;
        sawBlend = c.red > 60 && c.red < 170 && c.green > 70 && c.green < 170;
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(sawBlend) << "mid-fade, the screen shows neither picture alone";
    ASSERT_TRUE(waitFor(kGreen, kGreen)) << centres().first << centres().second;
    // The covers stay 0.5 s past the fade's end.
    EXPECT_EQ(coversLeftAfter(4s), "");
    EXPECT_TRUE(centres().first.near(kGreen)) << "the desktop itself shows the picture";
    EXPECT_TRUE(app.running());
}

TEST_F(AppRotationTest, PerDisplayWallpapersGiveEachOutputItsOwn) {
    writeSettings(true, 60.0);
    ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
    ASSERT_TRUE(waitFor(kRed, kGreen)) << centres().first << centres().second << logOf(app);
    EXPECT_EQ(coversLeftAfter(5s), "");
    EXPECT_TRUE(waitFor(kRed, kGreen, 1s)) << "once the covers are down";
}

} // namespace
} // namespace ks::e2e
