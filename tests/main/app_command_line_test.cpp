// The command-line forms of the real application, run as processes.

#include "main/app_process.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

using namespace std::literals;

constexpr const char* kNoPacks = "total: 0 packs, 0 wallpapers\n";

class AppCommandLineTest : public ::testing::Test {
protected:
    AppCommandLineTest() {
        m_home.setVar("QT_QPA_PLATFORM", "offscreen");
        m_home.setVar("KESTRANE_RESOURCES",
                      writeTestLibrary(m_home.root(), kTwoPackIndex, kTwoPackBlobs));
    }
    AppRun run(const std::vector<std::string>& arguments) {
        return runApp(arguments, m_home.root());
    }
    void noDisplay() {
        m_home.unsetVar("DISPLAY");
        m_home.unsetVar("WAYLAND_DISPLAY");
    }

    TempHome m_home;
};

TEST_F(AppCommandLineTest, ListPacksAnswersWithoutADisplayAndWithAnUnreadableIndex) {
    noDisplay(); // the option must be answered before any GUI exists
    m_home.setVar("QT_QPA_PLATFORM", "xcb");
    const auto listed = run({"--welcome", "--list-packs"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "Alps [light/dark]: 2 wallpapers (alps)\n"
                          "Coast: 1 wallpapers (coast)\n"
                          "total: 2 packs, 3 wallpapers\n");

    // A NUL in a name (escaped, as JSON allows) is printed with the rest of the line.
    std::string nulIndex = kTwoPackIndex;
    nulIndex.replace(nulIndex.find("\"Coast\""), 7, "\"Co\\u0000ast\"");
    writeTestLibrary(m_home.root(), nulIndex, kTwoPackBlobs);
    EXPECT_EQ(run({"--list-packs"}).out, "Alps [light/dark]: 2 wallpapers (alps)\n"
                                         "Co\0ast: 1 wallpapers (coast)\n"
                                         "total: 2 packs, 3 wallpapers\n"s);

    for (const std::string& index :
         {"{\"packs\": [{\"id\": \"x\", \"displayName\": \"X\", \"wallpapers\": []}]}"s,
          "not json at all"s, ""s, "{\"packs\": []}\0 and garbage"s}) {
        writeTestLibrary(m_home.root(), index, {});
        const auto unreadable = run({"--list-packs"});
        EXPECT_EQ(unreadable.status, 0);
        EXPECT_EQ(unreadable.out, kNoPacks) << index;
        EXPECT_NE(unreadable.err.find("Library: could not read the embedded wallpaper library"),
                  std::string::npos)
            << unreadable.err;
    }
    m_home.setVar("KESTRANE_RESOURCES", m_home.root() / "nowhere");
    EXPECT_EQ(run({"--list-packs"}).out, kNoPacks);
}

TEST_F(AppCommandLineTest, LoginStatusAndEnableLoginRoundTripOrReportTheFailure) {
    const auto entry = m_home.configHome() / "autostart" / "kestrane-wallpapers.desktop";
    EXPECT_EQ(run({"--login-status"}).out, "launch at login status: not enabled (raw 0)\n");
    EXPECT_FALSE(std::filesystem::exists(entry));
    const auto enabled = run({"--login-status", "--enable-login"});
    EXPECT_EQ(enabled.status, 0);
    EXPECT_EQ(enabled.out, "launch at login: registered\nlaunch at login status: enabled\n");
    EXPECT_NE(readText(entry).find(std::string("\nExec=") + KESTRANE_APP_PATH + "\n"),
              std::string::npos)
        << readText(entry);
    EXPECT_EQ(run({"--login-status"}).out, "launch at login status: enabled\n");

    std::filesystem::remove_all(entry.parent_path());
    std::ofstream(entry.parent_path()) << "a file where the folder belongs";
    const auto failed = run({"--enable-login", "--login-status"});
    EXPECT_EQ(failed.status, 0);
    EXPECT_EQ(failed.out.rfind("launch at login registration failed: ", 0), 0u) << failed.out;
    EXPECT_NE(failed.out.find("\nlaunch at login status: not enabled (raw 0)\n"), std::string::npos)
        << failed.out;
}

TEST_F(AppCommandLineTest, WithoutAGraphicalSessionTheTraySaysSoInsteadOfAborting) {
    noDisplay();
    m_home.unsetVar("QT_QPA_PLATFORM");
    // No DISPLAY at all, and one left over that no X server answers on.
    for (const char* display : {"", ":987"}) {
        m_home.setVar("DISPLAY", display);
        const auto result = run({"--settings"});
        EXPECT_EQ(result.status, 1) << display << ": " << result.err;
        EXPECT_NE(result.err.find(*display ? "(no X server answers on DISPLAY=:987)"
                                           : "(neither DISPLAY nor WAYLAND_DISPLAY is set)"),
                  std::string::npos)
            << result.err;
    }
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
