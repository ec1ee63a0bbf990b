// The harness every end-to-end test stands on: pixels read back as painted, an isolated
// environment, and nothing left behind.

#include "xorg_display.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace ks::e2e {
namespace {

TEST(XorgDisplayTest, PaintedPixelsIsolationAndACleanEnd) {
    std::string error;
    if (!XorgDisplay::available(&error))
        GTEST_SKIP() << error;
    XorgDisplay x;
    ASSERT_TRUE(x.start(&error)) << error;
    // The layout is checked by the agent's tests, which see each output's picture in place.
    const Rgb colour{0x33, 0x66, 0xcc};
    ASSERT_TRUE(x.paintRoot(colour));
    EXPECT_EQ(x.rootPixel(960, 540), colour);
    EXPECT_EQ(x.rootPixel(2880, 540), colour);
    EXPECT_EQ(x.rootPixel(3840, 0), std::nullopt);

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

    const pid_t lingering = x.spawn({"sleep", "600"}, "sleep").pid();
    const std::string number = x.display().substr(1);
    const auto root = x.root();
    x.stop();
    EXPECT_FALSE(x.started());
    EXPECT_NE(::kill(lingering, 0), 0);
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X" + number + "-lock"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + number));
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_TRUE(other.output("DUMMY0").has_value());
}

} // namespace
} // namespace ks::e2e
