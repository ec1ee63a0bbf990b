// The wallpaper writer of the application with its real collaborators on a real X server:
// the store on disk, the agent as a process, the displays from RandR and the per-screen call.
// The main loop and the writer's queue run in virtual time, drained by the test.

#include "agent_support.h"
#include "base/file_io.h"
#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "platform/linux/agent_process.h"
#include "platform/linux/system_version.h"
#include "platform/x11/x11_desktop.h"
#include "settings/user_defaults.h"
#include "system/system_wallpaper.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <map>

namespace ks::e2e {
namespace {

constexpr Rgb kOrange{230, 120, 20};
constexpr Rgb kBlue{30, 60, 200};

// The real agent process, except that after a rejected run no SIGTERM goes out: it would
// reach every agent process of the user on this machine, other tests' ones included.
class AgentRunsOnly : public WallpaperAgent {
public:
    std::optional<int> run() override { return m_agent.run(); }
    void terminateRunning() override {}

private:
    AgentProcess m_agent;
};

class SystemWallpaperX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        if (!XorgDisplay::available(&reason))
            GTEST_SKIP() << reason;
        m_x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        ASSERT_TRUE(m_x.start(&reason)) << reason;
        // The desktop and the agent runs of the writer reach this server and its home.
        m_x.enterEnvironment();
        m_orange = m_x.root() / "pictures" / "orange.jpg";
        m_blue = m_x.root() / "pictures" / "blue.png";
        ASSERT_TRUE(writeSolidPicture(m_orange, 800, 600, kOrange));
        ASSERT_TRUE(writeSolidPicture(m_blue, 1200, 900, kBlue));

        m_defaults = std::make_unique<UserDefaults>(m_x.configHome() / "defaults.plist", m_loop);
        m_writer = SystemWallpaper::create(
            {agentStorePath(m_x), m_loop, m_queue, *m_defaults, m_desktop, m_agent, m_version, {}});
        m_writer->setOnReapply([this] { ++m_reapplied; });
        for (const auto& screen : m_desktop.screens())
            m_screens[screen.name] = screen;
        ASSERT_EQ(m_screens.size(), 2u);
    }

    // Runs the queue and the loop until neither has anything left to do now.
    void settle() {
        while (m_queue.runAll() + m_loop.runPending() > 0) {
        }
    }
    void advance(double seconds) {
        m_loop.advance(Seconds(seconds));
        settle();
    }

    bool shows(const std::string& output, Rgb colour) {
        const auto shown = m_x.output(output);
        const auto pixel = shown ? m_x.rootPixel(shown->centreX(), shown->centreY()) : std::nullopt;
        return pixel && pixel->near(colour);
    }

    XorgDisplay m_x;
    ManualLoop m_loop;
    ManualQueue m_queue{std::string(kSystemWallpaperQueueLabel)};
    X11Desktop m_desktop;
    AgentRunsOnly m_agent;
    SystemVersion m_version = linuxSystemVersion();
    std::unique_ptr<UserDefaults> m_defaults;
    std::shared_ptr<SystemWallpaper> m_writer;
    std::map<std::string, DisplayHandle> m_screens;
    std::filesystem::path m_orange;
    std::filesystem::path m_blue;
    int m_reapplied = 0;
};

TEST_F(SystemWallpaperX11Test, TakenStoreShowsEachDisplaysPicture) {
    m_writer->set(fileUrl(m_orange), {{m_screens["DUMMY0"], fileUrl(m_orange)},
                                      {m_screens["DUMMY1"], fileUrl(m_blue)}});
    settle();
    EXPECT_TRUE(shows("DUMMY0", kOrange));
    EXPECT_TRUE(shows("DUMMY1", kBlue));

    advance(1.5);
    EXPECT_EQ(m_reapplied, 0);
    EXPECT_FALSE(m_writer->storeRejected());
    EXPECT_FALSE(m_writer->appliesToCurrentSpaceOnly());
    EXPECT_EQ(m_loop.pendingTimers(), 0u);
    EXPECT_TRUE(shows("DUMMY0", kOrange));
    EXPECT_TRUE(shows("DUMMY1", kBlue));
}

TEST_F(SystemWallpaperX11Test, RejectedStoreFallsBackToThePerScreenCall) {
    m_writer->set(fileUrl(m_orange), {});
    settle();
    advance(1.5);
    ASSERT_TRUE(shows("DUMMY0", kOrange));
    ASSERT_TRUE(shows("DUMMY1", kOrange));

    // The agent cannot show a picture that is not there, and puts its last store back.
    m_writer->set(fileUrl(m_x.root() / "pictures" / "missing.jpg"), {});
    settle();
    advance(1.5);
    EXPECT_EQ(m_reapplied, 1);
    EXPECT_FALSE(m_writer->storeRejected());

    advance(1.5);
    EXPECT_EQ(m_reapplied, 1);
    EXPECT_EQ(m_defaults->stringValue(kStoreRejectedOnKey), m_version.text);
    EXPECT_TRUE(m_writer->storeRejected());
    EXPECT_TRUE(m_writer->appliesToCurrentSpaceOnly());
    // Neither the store nor the per-screen call could show the missing picture.
    EXPECT_TRUE(shows("DUMMY0", kOrange));
    EXPECT_TRUE(shows("DUMMY1", kOrange));

    // From now on each screen is set directly, at once, and the store stays as it is.
    const auto store = readWholeFile(agentStorePath(m_x));
    m_writer->set(fileUrl(m_blue), {{m_screens["DUMMY1"], fileUrl(m_orange)}});
    EXPECT_EQ(m_queue.size(), 0u);
    EXPECT_TRUE(shows("DUMMY0", kBlue));
    EXPECT_TRUE(shows("DUMMY1", kOrange));
    settle();
    advance(3);
    EXPECT_EQ(readWholeFile(agentStorePath(m_x)), store);
}

} // namespace
} // namespace ks::e2e
