// The workspace and display sources on a real X server (Xorg with the dummy driver).

#include "platform/qt/qt_screen_source.h"
#include "platform/x11/x11_workspace_source.h"
#include "qt_wait.h"
#include "support/log_capture.h"
#include "xorg_display.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>

namespace ks {
namespace {

class X11EventSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!e2e::XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(m_x.start(&error)) << error;
    }
    void run(const std::vector<std::string>& command) {
        const auto result = m_x.run(command);
        ASSERT_EQ(result.status, 0) << result.err;
    }

    e2e::XorgDisplay m_x;
    test::PostQueue m_loop;
    NotificationCenter m_center;
};

TEST_F(X11EventSourcesTest, AnotherWorkspacePostsAndTheSameOneAgainDoesNot) {
    const auto select = [&](int desktop) {
        run({"xprop", "-root", "-f", "_NET_CURRENT_DESKTOP", "32c", "-set", "_NET_CURRENT_DESKTOP",
             std::to_string(desktop)});
    };
    select(0);
    test::PostCounter changes(m_center, kActiveSpaceChanged);
    X11WorkspaceSource source(m_loop, m_center, m_x.display());
    ASSERT_TRUE(source.watching());
    // Each step sets the workspace it is on again first: were that counted, the count would
    // run ahead of the steps.
    int expected = 0, current = 0;
    for (const int desktop : {1, 2, 0}) {
        select(current);
        select(current = desktop);
        ++expected;
        ASSERT_TRUE(
            test::waitFor([&] { return changes.count >= expected; }, [&] { m_loop.runQueued(); }));
        EXPECT_EQ(changes.count, expected) << desktop;
    }
}

TEST_F(X11EventSourcesTest, AServerThatGoesAwayIsLoggedOnceAndTheSourceStillEnds) {
    test::LogCapture log;
    {
        X11WorkspaceSource source(m_loop, m_center, m_x.display());
        m_x.stop();
        ASSERT_TRUE(test::waitFor([&] { return !log.lines().empty(); }));
    }
    EXPECT_FALSE(X11WorkspaceSource(m_loop, m_center, ":999").watching());
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("X11WorkspaceSource: lost the X connection")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("X11WorkspaceSource: no X server")) << lines[1];
}

TEST_F(X11EventSourcesTest, DisplaysAddedResizedAndRemovedPost) {
    m_x.enterEnvironment();
    // One display at the start, so that the second comes while the source watches.
    std::string error;
    ASSERT_TRUE(m_x.setOutputEnabled("DUMMY0", false, &error)) << error;
    int argc = 3;
    char name[] = "ks-platform-x11-tests", option[] = "-platform", platform[] = "xcb";
    char* argv[] = {name, option, platform, nullptr};
    QGuiApplication app(argc, argv);
    test::PostCounter changes(m_center, kScreenParametersChanged);
    QtScreenSource source(m_loop, m_center);
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    // Qt updates its screens and signals in one go: once they show the change, every post it
    // made is queued, and the next step starts afresh.
    const auto posts = [&](std::vector<std::string> xrandr, const std::function<bool()>& seen) {
        const int before = changes.count;
        xrandr.insert(xrandr.begin(), "xrandr");
        run(xrandr);
        return test::spinUntil([&] {
            m_loop.runQueued();
            return seen() && changes.count > before;
        });
    };
    const auto count = [] { return QGuiApplication::screens().size(); };
    EXPECT_TRUE(posts({"--output", "DUMMY0", "--mode", "1920x1080", "--pos", "0x0"},
                      [&] { return count() == 2; }));
    // The display that came is watched like the one that was there.
    EXPECT_TRUE(posts({"--output", "DUMMY0", "--mode", "1600x1200"}, [] {
        return std::ranges::any_of(QGuiApplication::screens(), [](const QScreen* screen) {
            return screen->name() == "DUMMY0" && screen->geometry().width() == 1600;
        });
    }));
    EXPECT_TRUE(posts({"--output", "DUMMY1", "--off"}, [&] { return count() == 1; }));
}

} // namespace
} // namespace ks
