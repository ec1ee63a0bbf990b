// What the displays show: the agent's record in a temporary data home, and GNOME's background
// setting through gsettings on a keyfile in a temporary config folder.

#include "agent/agent_state.h"
#include "platform/linux/agent_process.h"
#include "platform/x11/agent_shown_pictures.h"
#include "platform/x11/desktop_picture_choice.h"
#include "platform/x11/gnome_desktop_pictures.h"
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

TEST(DesktopPictureChoiceTest, TheSourceFollowsTheAgentsBackend) {
    using enum DesktopPictureSource;
    // A wallpaper command draws instead of GNOME, and keeps no setting of its own.
    for (const auto& [desktop, command, expected] :
         std::vector<std::tuple<const char*, bool, DesktopPictureSource>>{
             {"GNOME", false, GnomeSetting},
             {"ubuntu:GNOME", false, GnomeSetting},
             {"GNOME", true, AgentRecord},
             {"XFCE", false, AgentRecord},
             {"", false, AgentRecord}}) {
        SCOPED_TRACE(desktop);
        EXPECT_EQ(desktopPictureSource(desktop, command), expected);
    }
}

} // namespace
} // namespace ks
