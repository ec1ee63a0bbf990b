// The harness every end-to-end test stands on: a real server with two outputs, pixels read
// back as painted, and nothing left behind.

#include "xorg_display.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace ks::e2e {
namespace {

TEST(XorgDisplayTest, TwoOutputsPixelsAndACleanEnd) {
    std::string reason;
    if (!XorgDisplay::available(&reason))
        GTEST_SKIP() << reason;

    XorgDisplay x;
    std::string error;
    ASSERT_TRUE(x.start(&error)) << error;
    const auto left = x.output("DUMMY0");
    const auto right = x.output("DUMMY1");
    ASSERT_TRUE(left && right);
    EXPECT_TRUE(left->active && left->x == 0 && left->width == 1920 && left->height == 1080);
    EXPECT_TRUE(right->active && right->x == 1920 && right->y == 0 && right->width == 1920);

    // Channels come back in the right order on both outputs.
    const Rgb colour{0x33, 0x66, 0xcc};
    ASSERT_TRUE(x.paintRoot(colour));
    EXPECT_EQ(x.rootPixel(left->centreX(), left->centreY()), colour);
    EXPECT_EQ(x.rootPixel(right->centreX(), right->centreY()), colour);
    EXPECT_EQ(x.rootPixel(3840, 0), std::nullopt);

    ASSERT_TRUE(x.setOutputEnabled("DUMMY1", false, &error)) << error;
    EXPECT_FALSE(x.output("DUMMY1")->active);
    EXPECT_EQ(x.rootPixel(right->centreX(), right->centreY()), std::nullopt);
    ASSERT_TRUE(x.setOutputEnabled("DUMMY1", true, &error)) << error;
    const auto back = x.output("DUMMY1");
    EXPECT_TRUE(back->active && back->x == 1920 && back->width == 1920);

    // What it runs sees the test server and a home of its own, never the user's session.
    const auto env = x.run({"env"});
    ASSERT_EQ(env.status, 0) << env.err;
    EXPECT_NE(env.out.find("DISPLAY=" + x.display() + "\n"), std::string::npos);
    EXPECT_NE(env.out.find("HOME=" + x.home().string() + "\n"), std::string::npos);
    EXPECT_NE(env.out.find("XDG_DATA_HOME=" + x.dataHome().string() + "\n"), std::string::npos);
    EXPECT_EQ(env.out.find("DBUS_SESSION_BUS_ADDRESS="), std::string::npos);

    // A second server in the same process finds the first one's number taken.
    XorgDisplay other;
    ASSERT_TRUE(other.start(&error)) << error;
    EXPECT_NE(other.display(), x.display());

    ChildProcess& lingering = x.spawn({"sleep", "600"}, "sleep");
    const pid_t lingeringPid = lingering.pid();
    const std::string number = x.display().substr(1);
    const auto root = x.root();
    x.stop();
    EXPECT_FALSE(x.started());
    EXPECT_NE(::kill(lingeringPid, 0), 0);
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X" + number + "-lock"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + number));
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_TRUE(other.output("DUMMY0").has_value());
}

} // namespace
} // namespace ks::e2e
