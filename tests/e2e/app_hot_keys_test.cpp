// The real application's hot keys: Control+Alt+Super+N shows the next wallpaper and P the
// one before, also when another client holds N.

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

} // namespace
} // namespace ks::e2e
