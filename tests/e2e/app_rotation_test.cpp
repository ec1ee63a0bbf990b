// The real application on a real X server with two outputs: it puts its first wallpaper on
// both at launch, changes it on schedule with a cross-fade over covers that come down
// afterwards, and gives every output its own wallpaper when asked to.

#include "agent_support.h"
#include "base/file_io.h"
#include "base/manual_loop.h"
#include "library_writer.h"
#include "settings/user_defaults.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <thread>

namespace ks::e2e {
namespace {

namespace fs = std::filesystem;

constexpr Rgb kGrey{90, 90, 90};
constexpr Rgb kRed{210, 30, 30};
constexpr Rgb kGreen{30, 200, 60};
constexpr Rgb kBlue{40, 60, 220};

bool writePicture(const fs::path& file, Rgb colour) {
    return writeSolidPicture(file, 640, 360, colour);
}

class AppRotationTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(x.start(&error)) << error;
        const fs::path pictures = x.root() / "pictures";
        tools::SourcePack pack{"e2e", "End to end", false, {}, {}, true};
        for (const auto& [name, colour] :
             {std::pair{"1.png", kRed}, std::pair{"2.png", kGreen}, std::pair{"3.png", kBlue}}) {
            ASSERT_TRUE(writePicture(pictures / name, colour));
            pack.pictures.push_back({name, Variant::neutral, *readWholeFile(pictures / name)});
        }
        ASSERT_TRUE(tools::writeLibrary({pack}, x.root() / "resources", x.root() / "server").ok());
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");
        ASSERT_TRUE(x.paintRoot(kGrey));
    }

    void writeSettings(bool perDisplay, double interval) {
        ManualLoop loop;
        UserDefaults settings(
            x.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist", loop);
        settings.set("shuffle", false);
        settings.set("intervalSeconds", interval);
        settings.set("crossfadeSeconds", 3.0);
        settings.set("perDisplayWallpapers", perDisplay);
        ASSERT_TRUE(settings.flush());
    }

    // The colours at the centres of DUMMY0 and DUMMY1.
    std::pair<Rgb, Rgb> centres() {
        return {x.rootPixel(960, 540).value_or(Rgb{}), x.rootPixel(2880, 540).value_or(Rgb{})};
    }
    // Polls until both centres show what is wanted; false after `limit`.
    bool waitFor(Rgb left, Rgb right, std::chrono::milliseconds limit = 20s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const auto [l, r] = centres();
            if (l.near(left) && r.near(right))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    static std::string logOf(ChildProcess& app) {
        app.stop();
        return "\n" + app.result().err;
    }
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

    XorgDisplay x;
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
