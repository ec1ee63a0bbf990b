// The workspace and display sources on a real X server (Xorg with the dummy driver).

#include "platform/qt/qt_screen_source.h"
#include "platform/x11/x11_workspace_source.h"
#include "qt_wait.h"
#include "support/log_capture.h"
#include "thread_posts.h"
#include "xorg_display.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

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

    e2e::XorgDisplay m_x;
    test::PostQueue m_loop;
    NotificationCenter m_center;
};

TEST_F(X11EventSourcesTest, AnotherWorkspacePostsAndTheSameOneAgainDoesNot) {
    const auto select = [&](int desktop) {
        const auto run = m_x.run({"xprop", "-root", "-f", "_NET_CURRENT_DESKTOP", "32c", "-set",
                                  "_NET_CURRENT_DESKTOP", std::to_string(desktop)});
        ASSERT_EQ(run.status, 0) << run.err;
    };
    select(0);
    test::PostCounter changes(m_center, kActiveSpaceChanged);
    X11WorkspaceSource source(m_loop, m_center, m_x.display());
    ASSERT_TRUE(source.watching());
    // Each step sets the workspace it is on again first: were that counted, the count would
    // run ahead of the steps.
    int expected = 0, current = 0;
    for (const int desktop : {1, 2, 0}) {
        SCOPED_TRACE(desktop);
        select(current);
        select(current = desktop);
        ++expected;
        ASSERT_TRUE(test::runPostsUntil(m_loop, [&] { return changes.count() >= expected; }));
        EXPECT_EQ(changes.count(), expected);
    }
}

TEST_F(X11EventSourcesTest, AServerThatGoesAwayIsLoggedOnceAndTheSourceStillEnds) {
    test::LogCapture log;
    {
        X11WorkspaceSource source(m_loop, m_center, m_x.display());
        m_x.stop();
        ASSERT_TRUE(test::waitFor([&] { return !log.lines().empty(); }));
    }
    X11WorkspaceSource none(m_loop, m_center, ":999");
    EXPECT_FALSE(none.watching());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "X11WorkspaceSource: lost the X connection; workspace changes "
                               "will not be noticed",
                               "X11WorkspaceSource: no X server; workspace changes will not be "
                               "noticed"}));
}

TEST_F(X11EventSourcesTest, DisplaysAddedResizedAndRemovedPost) {
    m_x.enterEnvironment();
    // One display at the start, so that the second comes while the source watches.
    std::string error;
    ASSERT_TRUE(m_x.setOutputEnabled("DUMMY0", false, &error)) << error;
    int argc = 3;
    char name[] = "ks-platform-x11-tests", option[] = "-platform", platform[] = "xcb";
    char* argv[] = {name, option, platform, nullptr};
    // Gone before the server is.
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    test::PostCounter changes(m_center, kScreenParametersChanged);
    auto source = std::make_unique<QtScreenSource>(m_loop, m_center);
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    // Qt updates its screens and signals in one go: once they show the change, every post it
    // made is queued, and the next step starts afresh.
    const auto posts = [&](const std::vector<std::string>& xrandr,
                           const std::function<bool()>& qtSeesIt) {
        const int before = changes.count();
        const auto run = m_x.run(xrandr);
        EXPECT_EQ(run.status, 0) << run.err;
        return test::spinUntil([&] {
            m_loop.runQueued();
            return qtSeesIt() && changes.count() > before;
        });
    };
    const auto width = [](const char* output) {
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->name() == output)
                return screen->geometry().width();
        return 0;
    };
    const auto count = [] { return QGuiApplication::screens().size(); };
    EXPECT_TRUE(posts({"xrandr", "--output", "DUMMY0", "--mode", "1920x1080", "--pos", "0x0"},
                      [&] { return count() == 2; }));
    // The display that came is watched like the one that was there.
    EXPECT_TRUE(posts({"xrandr", "--output", "DUMMY0", "--mode", "1600x1200"},
                      [&] { return width("DUMMY0") == 1600; }));
    EXPECT_TRUE(posts({"xrandr", "--output", "DUMMY1", "--off"}, [&] { return count() == 1; }));
    source.reset();
    app.reset();
}

} // namespace
} // namespace ks
