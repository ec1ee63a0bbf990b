// Driving the real application: Control+Alt+Super+N shows the next wallpaper and P the one
// before, also when another client holds N; the command line of a second copy steps, pauses
// and reports on the copy in the tray.

#include "app_on_xorg.h"
#include "platform/x11/x11_hot_keys.h"

namespace ks::e2e {
namespace {

class AppHotKeysTest : public AppOnXorgTest {
protected:
    bool press(const std::string& keys, Rgb then) {
        return x.run({"xdotool", "key", keys}).status == 0 && waitFor(then, then);
    }
};

TEST_F(AppHotKeysTest, NShowsTheNextWallpaperAndPTheOneBeforeAlsoWhenNIsHeldElsewhere) {
    writeSettings(false, 86400);
    ManualLoop loop;
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "N held by another client" : "both free");
        std::optional<X11HotKeys> other;
        if (held) {
            ASSERT_EQ(other.emplace(loop, x.display()).registerHotKey({0, 1}, {45, 6400}), 0);
        }
        ASSERT_TRUE(x.paintRoot(kGrey));
        ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, held ? "held" : "free");
        // The keys are registered before the first wallpaper goes up; a restart resumes on red.
        EXPECT_TRUE(waitFor(kRed, kRed));
        EXPECT_TRUE(held || press("ctrl+alt+super+n", kGreen));
        // Back from the first wallpaper is the last.
        EXPECT_TRUE(press("ctrl+alt+super+p", held ? kBlue : kRed));
        const std::string log = logOf(app);
        EXPECT_EQ(log.find("\nRegisterEventHotKey failed for id 1: 10\n") != std::string::npos,
                  held)
            << log;
        EXPECT_EQ(log.find("RegisterEventHotKey failed for id 2"), std::string::npos) << log;
    }
}

TEST_F(AppHotKeysTest, CommandLineDrivesTheCopyInTheTray) {
    writeSettings(false, 86400);
    x.spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
             "32", "--SetDockType", "true"},
            "trayer");
    const auto trayUp = std::chrono::steady_clock::now() + 10s;
    while (x.run({"xdotool", "search", "--classname", "trayer"}).out.empty() &&
           std::chrono::steady_clock::now() < trayUp)
        std::this_thread::sleep_for(50ms);
    ChildProcess& app = x.spawn({KESTRANE_APP_PATH}, "app");
    ASSERT_TRUE(waitFor(kRed, kRed)) << logOf(app);
    const auto ask = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), KESTRANE_APP_PATH);
        return x.run(arguments);
    };

    const auto next = ask({"--next"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(waitFor(kGreen, kGreen));
    const auto paused = ask({"--pause", "--status"});
    EXPECT_EQ(paused.status, 0) << paused.err;
    EXPECT_NE(paused.out.find(" (e2e/2.png)\npaused: yes\nnext: Rotation paused\n"),
              std::string::npos)
        << paused.out;
    EXPECT_TRUE(press("ctrl+alt+super+p", kRed)) << "a step of the user's own while paused";
    const std::string log = logOf(app);
    EXPECT_EQ(log.find("no system tray"), std::string::npos) << log;
}

} // namespace
} // namespace ks::e2e
