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

TEST(SystemWallpaperX11Test, TakenStoreThenARejectedOneFallsBackToThePerScreenCall) {
    std::string error;
    if (!XorgDisplay::available(&error))
        GTEST_SKIP() << error;
    XorgDisplay x;
    x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
    ASSERT_TRUE(x.start(&error)) << error;
    // The desktop and the agent runs of the writer reach this server and its home.
    x.enterEnvironment();
    const auto orange = x.root() / "pictures" / "orange.jpg";
    const auto blue = x.root() / "pictures" / "blue.png";
    ASSERT_TRUE(writeSolidPicture(orange, 800, 600, kOrange));
    ASSERT_TRUE(writeSolidPicture(blue, 1200, 900, kBlue));

    ManualLoop loop;
    ManualQueue queue{std::string(kSystemWallpaperQueueLabel)};
    X11Desktop desktop;
    AgentRunsOnly agent;
    const SystemVersion version = linuxSystemVersion();
    UserDefaults defaults(x.configHome() / "defaults.plist", loop);
    const auto writer = SystemWallpaper::create(
        {agentStorePath(x), loop, queue, defaults, desktop, agent, version, {}});
    int reapplied = 0;
    writer->setOnReapply([&] { ++reapplied; });
    std::map<std::string, DisplayHandle> screens;
    for (const auto& screen : desktop.screens())
        screens[screen.name] = screen;
    ASSERT_EQ(screens.size(), 2u);

    const auto advance = [&](double seconds) {
        loop.advance(Seconds(seconds));
        while (queue.runAll() + loop.runPending() > 0) {
        }
    };
    const auto shows = [&](const std::string& output, Rgb colour) {
        const auto shown = x.output(output);
        const auto pixel = shown ? x.rootPixel(shown->centreX(), shown->centreY()) : std::nullopt;
        return pixel && pixel->near(colour);
    };

    writer->set(fileUrl(orange),
                {{screens["DUMMY0"], fileUrl(orange)}, {screens["DUMMY1"], fileUrl(blue)}});
    advance(0);
    EXPECT_TRUE(shows("DUMMY0", kOrange));
    EXPECT_TRUE(shows("DUMMY1", kBlue));
    advance(1.5);
    EXPECT_EQ(reapplied, 0);

    // The agent cannot show a picture that is not there, and puts its last store back.
    writer->set(fileUrl(x.root() / "pictures" / "missing.jpg"), {});
    advance(0);
    advance(1.5);
    EXPECT_EQ(reapplied, 1);
    advance(1.5);
    EXPECT_EQ(reapplied, 1);
    EXPECT_EQ(defaults.stringValue(kStoreRejectedOnKey), version.text);
    EXPECT_TRUE(writer->appliesToCurrentSpaceOnly());
    // Neither the store nor the per-screen call could show the missing picture.
    EXPECT_TRUE(shows("DUMMY0", kOrange));
    EXPECT_TRUE(shows("DUMMY1", kBlue));

    // From now on each screen is set directly, at once, and the store stays as it is.
    const auto store = readWholeFile(agentStorePath(x));
    writer->set(fileUrl(blue), {{screens["DUMMY1"], fileUrl(orange)}});
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_TRUE(shows("DUMMY0", kBlue));
    EXPECT_TRUE(shows("DUMMY1", kOrange));
    advance(3);
    EXPECT_EQ(readWholeFile(agentStorePath(x)), store);
}

} // namespace
} // namespace ks::e2e
