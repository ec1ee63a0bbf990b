// What the displays show: the agent's record in a temporary data home, GNOME's, Cinnamon's and
// MATE's background settings through gsettings on a keyfile in a temporary config folder, and
// Xfce's and Plasma's through stand-ins for their tools.

#include "agent/agent_state.h"
#include "platform/linux/agent_process.h"
#include "platform/x11/agent_shown_pictures.h"
#include "platform/x11/desktop_picture_choice.h"
#include "platform/x11/gnome_desktop_pictures.h"
#include "platform/x11/plasma_desktop_pictures.h"
#include "platform/x11/setting_desktop_pictures.h"
#include "platform/x11/xfce_desktop_pictures.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ks {
namespace {

namespace fs = std::filesystem;
using Picture = std::optional<fs::path>;

const std::string kLeft = "0A1B2C3D-0000-4000-8000-00000000000A";

class DesktopPicturesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(saveShownPictures(
            agentFiles(std::nullopt).shown,
            {{kLeft, "file:///pictures/left%20one.jpg"},
             {"0A1B2C3D-0000-4000-8000-00000000000B", "https://example.com/right.jpg"}}));
    }
    static PlatformScreen screen(std::optional<std::string> uuid) { return {.uuid = uuid}; }

    test::TempHome m_home;
};

TEST_F(DesktopPicturesTest, TheAgentsRecordAnswersByDisplayUuid) {
    AgentShownPictures pictures;
    for (const auto& [uuid, expected] : std::vector<std::pair<std::optional<std::string>, Picture>>{
             {kLeft, "/pictures/left one.jpg"},
             {"0a1b2c3d-0000-4000-8000-00000000000a", "/pictures/left one.jpg"}, // any case
             // A URL that is not a local file's names no picture.
             {"0A1B2C3D-0000-4000-8000-00000000000B", std::nullopt},
             {"0A1B2C3D-0000-4000-8000-00000000000C", std::nullopt},
             {std::nullopt, std::nullopt}}) {
        SCOPED_TRACE(uuid.value_or("no UUID"));
        EXPECT_EQ(pictures.currentPicture(screen(uuid)), expected);
    }
    fs::remove(agentFiles(std::nullopt).shown);
    EXPECT_EQ(pictures.currentPicture(screen(kLeft)), std::nullopt) << "without a record";
}

TEST_F(DesktopPicturesTest, GnomesSettingForTheLookInUse) {
    m_home.setVar("GSETTINGS_BACKEND", "keyfile");
    if (runProgram({"gsettings", "range", "org.gnome.desktop.background", "picture-uri-dark"},
                   std::chrono::seconds(30), true) != 0)
        GTEST_SKIP() << "gsettings or GNOME's desktop schemas (42 or later) are not installed";
    const std::string spanned =
        FileUrl::fromPath(agentDataDir() / "spanned-0123456789abcdef.png")->absoluteString();
    struct Case {
        const char* name;
        std::string light, dark; // GVariant text as the keyfile holds it
        bool isDark;
        Picture expected;
    };
    const std::string both = "'file:///p/light.jpg'";
    const std::vector<Case> cases{
        {"light", both, "'file:///p/dark.jpg'", false, "/p/light.jpg"},
        {"dark", both, "'file:///p/dark.jpg'", true, "/p/dark.jpg"},
        {"dark without a dark picture", both, "''", true, "/p/light.jpg"},
        {"a quote in the name", "\"file:///p/it's.jpg\"", "''", false, "/p/it's.jpg"},
        {"an escaped quote", "'file:///p/it\\'s.jpg'", "''", false, "/p/it's.jpg"},
        {"not a local file", "'https://example.com/a.jpg'", "''", false, std::nullopt},
        // The agent's picture spanning both displays: each display's own from its record.
        {"spanned by the agent", "'" + spanned + "'", "''", false, "/pictures/left one.jpg"},
    };
    struct : SystemAppearance {
        bool dark = false;
        bool isDark() const override { return dark; }
    } appearance;
    GnomeDesktopPictures pictures(appearance);
    const auto folder = m_home.configHome() / "glib-2.0" / "settings";
    fs::create_directories(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(folder / "keyfile")
            << "[org/gnome/desktop/background]\npicture-uri=" << c.light
            << "\npicture-uri-dark=" << c.dark << "\n";
        appearance.dark = c.isDark;
        EXPECT_EQ(pictures.currentPicture(screen(kLeft)), c.expected);
    }
}

TEST_F(DesktopPicturesTest, CinnamonsAndMatesSetting) {
    m_home.setVar("GSETTINGS_BACKEND", "keyfile");
    for (const char* schema : {"org.cinnamon.desktop.background", "org.mate.background"})
        if (runProgram({"gsettings", "list-keys", schema}, std::chrono::seconds(30), true) != 0)
            GTEST_SKIP() << schema << " is not installed (cinnamon-desktop-data, "
                         << "mate-desktop-common)";
    const auto spanned = agentDataDir() / "spanned-0123456789abcdef.png";
    struct Case {
        bool cinnamon;
        std::string value; // GVariant text as the keyfile holds it
        Picture expected;
    };
    const std::vector<Case> cases{
        {true, "'file:///p/it%27s%20a%20%24x.jpg'", "/p/it's a $x.jpg"},
        {true, "\"file:///p/it's.jpg\"", "/p/it's.jpg"},
        {true, "'https://example.com/a.jpg'", std::nullopt},
        {true, "'/p/a path, no URL.jpg'", std::nullopt},
        {true, "'" + FileUrl::fromPath(spanned)->absoluteString() + "'", "/pictures/left one.jpg"},
        {false, "'/p/it\\'s a $x.jpg'", "/p/it's a $x.jpg"},
        {false, "'/p/../q/-a.jpg'", "/q/-a.jpg"},
        {false, "'relative.jpg'", std::nullopt},
        {false, "''", std::nullopt},
        {false, "'" + spanned.string() + "'", "/pictures/left one.jpg"},
    };
    const auto folder = m_home.configHome() / "glib-2.0" / "settings";
    fs::create_directories(folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::ofstream(folder / "keyfile")
            << (c.cinnamon ? "[org/cinnamon/desktop/background]\npicture-uri="
                           : "[org/mate/desktop/background]\npicture-filename=")
            << c.value << "\n";
        auto pictures =
            c.cinnamon ? SettingDesktopPictures::cinnamon() : SettingDesktopPictures::mate();
        EXPECT_EQ(pictures.currentPicture(screen(kLeft)), c.expected);
    }
}

// A program of `name` first in PATH that answers as `script` does.
void standIn(test::TempHome& home, const std::string& name, const std::string& script) {
    const auto folder = home.root() / "bin";
    fs::create_directories(folder);
    std::ofstream(folder / name) << "#!/bin/sh\n" << script;
    fs::permissions(folder / name, fs::perms::owner_all);
    home.setVar("PATH", folder.string() + ":" + std::getenv("PATH"));
}

TEST_F(DesktopPicturesTest, XfcesMonitorByOutputNameElseTheFirstAndPlasmasDesktopByGeometry) {
    // xfconf-query's properties as "NAME<TAB>VALUE" lines; a missing one fails as it does.
    standIn(m_home, "xfconf-query",
            "[ \"$1 $2\" = '-c xfce4-desktop' ] || exit 2\n"
            "[ \"$3\" = -l ] && exec cut -f1 \"$0.properties\"\n"
            "while IFS=\"$(printf '\\t')\" read -r name value; do\n"
            "  [ \"$3 $name\" = \"-p $4\" ] && printf '%s\\n' \"$value\" && exit 0\n"
            "done < \"$0.properties\"\nexit 1\n");
    const std::string monitor = "/backdrop/screen0/monitor";
    std::ofstream(m_home.root() / "bin" / "xfconf-query.properties")
        << monitor << "Virtual1/workspace0/color-style\t0\n"
        << monitor << "eDP-1/workspace0/last-image\t/p/first.jpg\n"
        << monitor << "HDMI 1 'x'/workspace0/last-image\t/p/odd $name .jpg \n"
        << monitor << "DP-2/workspace0/last-image\trelative.jpg\n";
    XfceDesktopPictures xfce;
    for (const auto& [output, expected] : std::vector<std::pair<std::string, Picture>>{
             {"eDP-1", "/p/first.jpg"},
             {"HDMI 1 'x'", "/p/odd $name .jpg "},
             {"DP-2", std::nullopt},
             // xfdesktop names some monitors by their model, not their output.
             {"VGA-9", "/p/first.jpg"}}) {
        SCOPED_TRACE(output);
        EXPECT_EQ(xfce.currentPicture({.display = {.name = output}}), expected);
    }

    // dbus-send prints the shell's answer as it is, between quotes.
    const auto reply = m_home.root() / "reply";
    standIn(m_home, "dbus-send",
            "[ \"$1 $2 $3 $4 $5\" = '--print-reply --session --dest=org.kde.plasmashell "
            "/PlasmaShell org.kde.PlasmaShell.evaluateScript' ] || exit 2\n"
            "case \"$6\" in string:*) exec cat \"$0.reply\";; esac\nexit 1\n");
    const auto answer = [&](const std::string& lines) {
        std::ofstream(m_home.root() / "bin" / "dbus-send.reply")
            << "method return time=1.5 sender=:1.7 -> destination=:1.9 serial=4 "
               "reply_serial=2\n   string \""
            << lines << "\"\n";
    };
    const ScreenFrame left{0, 0, 1920, 1080}, right{1920, 0, 1280, 1024};
    const std::string twoDesktops = "0 0 1920 1080 file%3A%2F%2F%2Fp%2Fleft%2520one.jpg\n"
                                    "1920 0 1280 1024 %2Fp%2Fright%20%22q%22%0A.jpg\n";
    const std::string package = "0 0 1920 1080 " + m_home.root().string() + "\n";
    PlasmaDesktopPictures plasma;
    for (const auto& [lines, frame, expected] :
         std::vector<std::tuple<std::string, ScreenFrame, Picture>>{
             {twoDesktops, left, "/p/left one.jpg"},
             {twoDesktops, right, "/p/right \"q\"\n.jpg"},
             {twoDesktops, {0, 0, 800, 600}, "/p/left one.jpg"},
             // A wallpaper package is a folder, no picture file.
             {package, left, std::nullopt},
             {"0 0 1920 1080 %2Fbad%G0\n", left, std::nullopt},
             {"", left, std::nullopt}}) {
        SCOPED_TRACE(lines);
        answer(lines);
        EXPECT_EQ(plasma.currentPicture({.frame = frame}), expected);
    }
    fs::remove(m_home.root() / "bin" / "dbus-send.reply");
    EXPECT_EQ(plasma.currentPicture({.frame = left}), std::nullopt) << "plasmashell not there";
}

TEST(DesktopPictureChoiceTest, TheSourceFollowsTheAgentsBackend) {
    using enum DesktopPictureSource;
    // A wallpaper command draws instead of the desktop, and keeps no setting of its own.
    for (const auto& [desktop, command, expected] :
         std::vector<std::tuple<const char*, bool, DesktopPictureSource>>{
             {"GNOME", false, GnomeSetting},
             {"ubuntu:GNOME", false, GnomeSetting},
             {"GNOME", true, AgentRecord},
             {"X-Cinnamon", false, CinnamonSetting},
             {"MATE", false, MateSetting},
             {"XFCE", false, XfceSetting},
             {"KDE", false, PlasmaShell},
             {"LXQt", false, AgentRecord},
             {"", false, AgentRecord}}) {
        SCOPED_TRACE(desktop);
        EXPECT_EQ(desktopPictureSource({.currentDesktop = desktop, .haveCommandTemplate = command}),
                  expected);
    }
}

} // namespace
} // namespace ks
