// The real application's global hot keys on a real X server: Control+Alt+Super+N shows the
// next wallpaper and P the one before, also when another client holds one of them.

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

namespace fs = std::filesystem;

constexpr Rgb kGrey{90, 90, 90};
constexpr Rgb kRed{210, 30, 30};
constexpr Rgb kGreen{30, 200, 60};
constexpr Rgb kBlue{40, 60, 220};

class AppHotKeysTest : public testing::Test {
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
            ASSERT_TRUE(writeSolidPicture(pictures / name, 640, 360, colour));
            pack.pictures.push_back({name, Variant::neutral, *readWholeFile(pictures / name)});
        }
        ASSERT_TRUE(tools::writeLibrary({pack}, x.root() / "resources", x.root() / "server").ok());
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");
        ASSERT_TRUE(x.paintRoot(kGrey));

        // In library order, and no change but the ones the keys make.
        ManualLoop loop;
        UserDefaults settings(
            x.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist", loop);
        settings.set("shuffle", false);
        settings.set("intervalSeconds", 86400.0);
        ASSERT_TRUE(settings.flush());
    }

    // Polls until the centres of both outputs show `colour`; false after 20 s.
    bool waitFor(Rgb colour) {
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < end) {
            if (x.rootPixel(960, 540).value_or(Rgb{}).near(colour) &&
                x.rootPixel(2880, 540).value_or(Rgb{}).near(colour))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    void press(const std::string& keys) {
        const auto result = x.run({"xdotool", "key", keys});
        ASSERT_EQ(result.status, 0) << result.err;
    }
    static std::string logOf(ChildProcess& app) {
        app.stop();
        return app.result().err;
    }

    XorgDisplay x;
};

TEST_F(AppHotKeysTest, NShowsTheNextWallpaperAndPTheOneBefore) {
    ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
    // The keys are registered before the first wallpaper goes up.
    ASSERT_TRUE(waitFor(kRed)) << logOf(app);
    press("ctrl+alt+super+n");
    EXPECT_TRUE(waitFor(kGreen)) << "next";
    press("ctrl+alt+super+p");
    EXPECT_TRUE(waitFor(kRed)) << "previous";
    const std::string log = logOf(app);
    EXPECT_EQ(log.find("RegisterEventHotKey failed"), std::string::npos) << log;
}

TEST_F(AppHotKeysTest, AKeyAnotherClientHoldsIsLoggedAndTheOtherStillWorks) {
    ManualLoop loop;
    X11HotKeys other(loop, x.display());
    ASSERT_EQ(other.registerHotKey({0, 1}, {45, 6400}), 0);
    ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
    ASSERT_TRUE(waitFor(kRed)) << logOf(app);
    // Back from the first wallpaper is the last.
    press("ctrl+alt+super+p");
    EXPECT_TRUE(waitFor(kBlue)) << "previous";
    const std::string log = logOf(app);
    EXPECT_NE(log.find("RegisterEventHotKey failed for id 1: 10\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("RegisterEventHotKey failed for id 2"), std::string::npos) << log;
}

} // namespace
} // namespace ks::e2e
