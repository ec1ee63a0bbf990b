// The real application's hot keys on the harness's Xorg: Control+Alt+Super+N shows the next
// wallpaper and P the one before, also when another client holds N.

#include "agent_support.h"
#include "base/file_io.h"
#include "base/manual_loop.h"
#include "library_writer.h"
#include "platform/x11/x11_hot_keys.h"
#include "settings/user_defaults.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <thread>

namespace ks::e2e {
namespace {

constexpr Rgb kRed{210, 30, 30}, kGreen{30, 200, 60}, kBlue{40, 60, 220};

class AppHotKeysTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(x.start(&error)) << error;
        tools::SourcePack pack{"e2e", "End to end", false, {}, {}, true};
        for (const auto& [name, colour] :
             {std::pair{"1.png", kRed}, {"2.png", kGreen}, {"3.png", kBlue}}) {
            const auto file = x.root() / name;
            ASSERT_TRUE(writeSolidPicture(file, 640, 360, colour));
            pack.pictures.push_back({name, Variant::neutral, *readWholeFile(file)});
        }
        ASSERT_TRUE(tools::writeLibrary({pack}, x.root() / "resources", x.root() / "server").ok());
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");
        // In library order, with no change but those of the keys.
        UserDefaults settings(
            x.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist", loop);
        settings.set("shuffle", false);
        settings.set("intervalSeconds", 86400.0);
        ASSERT_TRUE(settings.flush());
    }
    // Presses `keys` (none: nothing) and polls until both outputs show `colour`, for 20 s.
    bool shows(Rgb colour, const std::string& keys = {}) {
        if (!keys.empty() && x.run({"xdotool", "key", keys}).status != 0)
            return false;
        for (const auto end = std::chrono::steady_clock::now() + 20s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
            if (x.rootPixel(960, 540).value_or(Rgb{}).near(colour) &&
                x.rootPixel(2880, 540).value_or(Rgb{}).near(colour))
                return true;
        return false;
    }

    XorgDisplay x;
    ManualLoop loop;
};

TEST_F(AppHotKeysTest, NShowsTheNextWallpaperAndPTheOneBeforeAlsoWhenNIsHeldElsewhere) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "N held by another client" : "both free");
        std::optional<X11HotKeys> other;
        if (held) {
            ASSERT_EQ(other.emplace(loop, x.display()).registerHotKey({0, 1}, {45, 6400}), 0);
        }
        ASSERT_TRUE(x.paintRoot({90, 90, 90}));
        ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, held ? "held" : "free");
        // The keys are registered before the first wallpaper goes up; a restart resumes on red.
        EXPECT_TRUE(shows(kRed));
        EXPECT_TRUE(held || shows(kGreen, "ctrl+alt+super+n"));
        // Back from the first wallpaper is the last.
        EXPECT_TRUE(shows(held ? kBlue : kRed, "ctrl+alt+super+p"));
        app.stop();
        const std::string log = app.result().err;
        EXPECT_EQ(log.find("RegisterEventHotKey failed for id 1: 10\n") != std::string::npos, held)
            << log;
        EXPECT_EQ(log.find("RegisterEventHotKey failed for id 2"), std::string::npos) << log;
    }
}

} // namespace
} // namespace ks::e2e
