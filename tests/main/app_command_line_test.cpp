// The command-line forms of the real application, run as processes.

#include "main/app_process.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

class AppCommandLineTest : public ::testing::Test {
protected:
    AppCommandLineTest() {
        m_home.setVar("QT_QPA_PLATFORM", "offscreen");
        m_home.setVar("KESTRANE_RESOURCES",
                      writeTestLibrary(m_home.root(), kTwoPackIndex, kTwoPackBlobs));
    }

    TempHome m_home;
};

TEST_F(AppCommandLineTest, ListPacksPrintsThePacksAndTotalsWithoutADisplay) {
    // No display at all: the option must be answered before any GUI exists.
    m_home.unsetVar("DISPLAY");
    m_home.unsetVar("WAYLAND_DISPLAY");
    m_home.setVar("QT_QPA_PLATFORM", "xcb");
    const auto run = runApp({"--welcome", "--list-packs"}, m_home.root());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Alps [light/dark]: 2 wallpapers (alps)\n"
                       "Coast: 1 wallpapers (coast)\n"
                       "total: 2 packs, 3 wallpapers\n");
}

TEST_F(AppCommandLineTest, ListPacksWithAnUnreadableIndexPrintsZeroTotals) {
    for (const std::string index :
         {"{\"packs\": [{\"id\": \"x\", \"displayName\": \"X\", \"wallpapers\": []}]}",
          "not json at all", ""}) {
        writeTestLibrary(m_home.root(), index, {});
        const auto run = runApp({"--list-packs"}, m_home.root());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "total: 0 packs, 0 wallpapers\n") << index;
        EXPECT_NE(run.err.find("Library: could not read the embedded wallpaper library"),
                  std::string::npos)
            << run.err;
    }
    // No resources folder at all.
    m_home.setVar("KESTRANE_RESOURCES", m_home.root() / "nowhere");
    EXPECT_EQ(runApp({"--list-packs"}, m_home.root()).out, "total: 0 packs, 0 wallpapers\n");
}

TEST_F(AppCommandLineTest, LoginStatusAndEnableLoginRoundTrip) {
    const auto entry = m_home.configHome() / "autostart" / "kestrane-wallpapers.desktop";
    auto run = runApp({"--login-status"}, m_home.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "launch at login status: not enabled (raw 0)\n");
    EXPECT_FALSE(std::filesystem::exists(entry));

    run = runApp({"--login-status", "--enable-login"}, m_home.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "launch at login: registered\nlaunch at login status: enabled\n");
    EXPECT_NE(readText(entry).find(std::string("\nExec=") + KESTRANE_APP_PATH + "\n"),
              std::string::npos)
        << readText(entry);

    EXPECT_EQ(runApp({"--login-status"}, m_home.root()).out, "launch at login status: enabled\n");
}

TEST_F(AppCommandLineTest, FailedRegistrationIsPrintedAsAFailure) {
    std::filesystem::create_directories(m_home.configHome());
    std::ofstream(m_home.configHome() / "autostart") << "a file where the folder belongs";
    const auto run = runApp({"--enable-login", "--login-status"}, m_home.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("launch at login registration failed: ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nlaunch at login status: not enabled (raw 0)\n"), std::string::npos)
        << run.out;
}

TEST_F(AppCommandLineTest, WithoutAGraphicalSessionTheTraySaysSoInsteadOfAborting) {
    m_home.unsetVar("DISPLAY");
    m_home.unsetVar("WAYLAND_DISPLAY");
    m_home.unsetVar("QT_QPA_PLATFORM");
    const auto run = runApp({"--settings"}, m_home.root());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("no graphical session"), std::string::npos) << run.err;
}

TEST_F(AppCommandLineTest, EmptyLibraryNeverStartsTheRotation) {
    writeTestLibrary(m_home.root(), "{\"packs\": []}", {});
    AppProcess app({}, m_home.root(), "empty");
    // The alert waits for the user; the application must not go on behind it.
    ASSERT_TRUE(app.waitForErr("AppDelegate: the wallpaper library is empty")) << app.err();
    EXPECT_EQ(app.err().find("packs,"), std::string::npos) << app.err();
    EXPECT_TRUE(app.running());
    app.signal(SIGTERM);
    ASSERT_TRUE(app.waitForExit());
    EXPECT_EQ(app.exitStatus(), 1);
}

} // namespace
} // namespace ks::test
