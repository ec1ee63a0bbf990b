// One running copy per user, with real processes: later copies hand over and leave.

#include "main/app_process.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

constexpr const char* kLaunched = "Kestrane Wallpapers: 2 packs, 3 wallpapers";
constexpr const char* kAsked = "AppDelegate: asked to show the settings window";

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        m_home.setVar("QT_QPA_PLATFORM", "offscreen");
        m_home.setVar("KESTRANE_RESOURCES",
                      writeTestLibrary(m_home.root(), kTwoPackIndex, kTwoPackBlobs));
    }

    TempHome m_home;
};

TEST_F(SingleInstanceTest, SecondCopyHandsOverAndLeaves) {
    AppProcess first({}, m_home.root(), "first");
    ASSERT_TRUE(first.waitForErr(kLaunched)) << first.err();

    AppProcess second({}, m_home.root(), "second");
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.exitStatus(), 0) << second.err();
    ASSERT_TRUE(first.waitForErr(kAsked)) << first.err();
    EXPECT_TRUE(first.running());
    EXPECT_EQ(second.err().find(kLaunched), std::string::npos);

    // "--list-packs" answers even now, and does not count as a second copy.
    const auto list = runApp({"--list-packs"}, m_home.root(), "list");
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("total: 2 packs, 3 wallpapers"), std::string::npos);

    // "--enable-login" prints its line, then hands over like any other start.
    const auto login = runApp({"--enable-login"}, m_home.root(), "login");
    EXPECT_EQ(login.status, 0);
    EXPECT_EQ(login.out, "launch at login: registered\n");
    ASSERT_TRUE(waitUntil([&] { return count(first.err(), kAsked) == 2; })) << first.err();

    first.signal(SIGTERM);
    ASSERT_TRUE(first.waitForExit());
    EXPECT_EQ(first.exitStatus(), 0);
}

TEST_F(SingleInstanceTest, SettingsOptionOpensTheSettingsAtLaunch) {
    AppProcess app({"--settings"}, m_home.root(), "app");
    ASSERT_TRUE(app.waitForErr(kAsked)) << app.err();
    EXPECT_LT(app.err().find(kLaunched), app.err().find(kAsked));
    app.signal(SIGINT);
    ASSERT_TRUE(app.waitForExit());
    EXPECT_EQ(app.exitStatus(), 0);
}

// The first line of "--status": the wallpaper on the desktop.
std::string wallpaperLine(const AppRun& run) {
    return run.out.substr(0, run.out.find('\n'));
}

TEST_F(SingleInstanceTest, CommandLineDrivesTheRunningCopy) {
    const auto alone = runApp({"--next"}, m_home.root(), "alone");
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err, "Kestrane Wallpapers is not running\n");

    AppProcess app({}, m_home.root(), "app");
    ASSERT_TRUE(app.waitForErr(kLaunched)) << app.err();
    const auto first = runApp({"--status"}, m_home.root(), "status");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(wallpaperLine(first).starts_with("wallpaper: ")) << first.out;
    EXPECT_NE(first.out.find("\npaused: no\nnext: Next in "), std::string::npos) << first.out;

    const auto next = runApp({"--next", "--status"}, m_home.root(), "next");
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_NE(wallpaperLine(next), wallpaperLine(first));
    const auto paused = runApp({"--pause", "--status"}, m_home.root(), "pause");
    EXPECT_NE(paused.out.find("\npaused: yes\nnext: Rotation paused\n"), std::string::npos)
        << paused.out;
    const auto back = runApp({"--resume", "--previous", "--status"}, m_home.root(), "back");
    EXPECT_EQ(wallpaperLine(back), wallpaperLine(first));
    EXPECT_NE(back.out.find("\npaused: no\n"), std::string::npos) << back.out;
    EXPECT_TRUE(app.running());
}

TEST_F(SingleInstanceTest, CopiesStartedTogetherLeaveExactlyOne) {
    std::vector<std::unique_ptr<AppProcess>> copies;
    for (int i = 0; i < 4; ++i)
        copies.push_back(std::make_unique<AppProcess>(std::vector<std::string>{}, m_home.root(),
                                                      "copy" + std::to_string(i)));
    // Every copy but one hands over and ends with status 0.
    ASSERT_TRUE(waitUntil([&] {
        int running = 0;
        for (auto& copy : copies)
            running += copy->running();
        return running == 1;
    }));
    AppProcess* survivor = nullptr;
    for (auto& copy : copies) {
        if (copy->running())
            survivor = copy.get();
        else
            EXPECT_EQ(copy->exitStatus(), 0) << copy->err();
    }
    ASSERT_TRUE(survivor);
    ASSERT_TRUE(survivor->waitForErr(kLaunched)) << survivor->err();
    ASSERT_TRUE(waitUntil([&] { return count(survivor->err(), kAsked) == 3; })) << survivor->err();
}

TEST_F(SingleInstanceTest, LeftoversOfACrashedCopyDoNotBlockTheNextStart) {
    {
        AppProcess crashed({}, m_home.root(), "crashed");
        ASSERT_TRUE(crashed.waitForErr(kLaunched)) << crashed.err();
        crashed.signal(SIGKILL);
        ASSERT_TRUE(crashed.waitForExit());
    }
    // A crash leaves its socket behind.
    ASSERT_TRUE(
        std::filesystem::exists(m_home.root() / "runtime" / "local.kestrane.wallpapers.socket"));

    AppProcess next({}, m_home.root(), "next");
    ASSERT_TRUE(next.waitForErr(kLaunched)) << next.err();
    AppProcess second({}, m_home.root(), "second");
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.exitStatus(), 0);
    ASSERT_TRUE(next.waitForErr(kAsked)) << next.err();
}

} // namespace
} // namespace ks::test
