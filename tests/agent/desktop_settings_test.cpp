#include "agent/agent_state.h"
#include "agent/gsettings_desktop_backend.h"
#include "agent/xfce_backend.h"
#include "base/file_io.h"
#include "library/decode_image.h"
#include "library/test_images.h"
#include "main/app_process.h"
#include "platform/linux/agent_process.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace ks {

// Test names and failures name the desktop rather than dump its bytes.
void PrintTo(const GsettingsDesktop& desktop, std::ostream* out) {
    *out << desktop.name;
}

namespace {

constexpr auto kToolLimit = std::chrono::seconds(30);

// A private home with no desktop and no X server.
class DesktopHome : public test::TempHome {
public:
    DesktopHome() {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                                 "GSETTINGS_BACKEND", "GSETTINGS_SCHEMA_DIR"})
            unsetVar(name);
        setVar("KESTRANE_NO_SYSLOG", "1");
    }

    // A picture of one colour, as `name` under the home.
    FileUrl picture(const std::string& name, std::vector<double> rgb) const {
        replaceFileAtomically(root() / name,
                              test::encode(test::solid(64, 48, std::move(rgb)), ".png"));
        return *FileUrl::fromPath(root() / name);
    }
};

// Spaces, both quotes, a dollar sign and a line break: what a shell or a GVariant parser
// would take apart.
constexpr const char* kOddName = "a 'b' \"c\" $d\ne.png";

const AgentDisplay kLeft{"UUID-L", "DP-1", 0, 0, 320, 200};
const AgentDisplay kRight{"UUID-R", "DP-2", 320, 0, 160, 100};

bool logged(const test::LogCapture& log, const std::string& start) {
    const auto lines = log.lines();
    return lines.size() == 1 && lines[0].starts_with(start);
}

class GsettingsDesktopTest : public ::testing::TestWithParam<GsettingsDesktop> {
protected:
    void SetUp() override {
        // The keyfile backend writes a plain file in the private config folder instead of the
        // session's settings.
        m_home.setVar("GSETTINGS_BACKEND", "keyfile");
        if (runProgram({"gsettings", "list-keys", desktop().schema}, kToolLimit, true) != 0)
            GTEST_SKIP() << "gsettings or the " << desktop().name << " schemas are not installed";
    }

    const GsettingsDesktop& desktop() const { return GetParam(); }

    // The value as gsettings prints it.
    std::string get(const char* key) const {
        auto text = programOutput({"gsettings", "get", desktop().schema, key}, kToolLimit);
        if (text && text->ends_with('\n'))
            text->pop_back();
        return text.value_or("(unreadable)");
    }

    DesktopHome m_home;
    PictureLoader m_loader;
    GsettingsDesktopBackend m_backend{GetParam(), m_loader, agentDataDir()};
};

TEST_P(GsettingsDesktopTest, OnePictureIsZoomedWithItsNameKeptExactly) {
    const auto picture = m_home.picture(kOddName, {200, 30, 30});
    ASSERT_TRUE(m_backend.show({{kLeft, picture, std::nullopt}}));
    const std::string dir = m_home.root().string();
    // As gsettings prints them: GVariant quoting of the path, or of the percent-encoded URI.
    const std::string expected = desktop().pictureIsPath
                                     ? "\"" + dir + "/a 'b' \\\"c\\\" $d\\ne.png\""
                                     : "\"file://" + dir + "/a%20'b'%20%22c%22%20$d%0Ae.png\"";
    EXPECT_EQ(get(desktop().pictureKey), expected);
    if (desktop().darkPictureKey) {
        EXPECT_EQ(get(desktop().darkPictureKey), expected);
    }
    EXPECT_EQ(get("picture-options"), "'zoom'");
}

TEST_P(GsettingsDesktopTest, TwoPicturesAreComposedIntoOneSpannedPicture) {
    const auto red = m_home.picture("red.png", {220, 20, 30});
    const auto blue = m_home.picture("blue.png", {20, 30, 220});
    ASSERT_TRUE(m_backend.show({{kLeft, red, std::nullopt}, {kRight, blue, std::nullopt}}));
    EXPECT_EQ(get("picture-options"), "'spanned'");
    std::vector<std::filesystem::path> spanned;
    for (const auto& entry : std::filesystem::directory_iterator(agentDataDir()))
        if (entry.path().filename().string().starts_with("spanned-"))
            spanned.push_back(entry.path());
    ASSERT_EQ(spanned.size(), 1u);
    const auto url = *FileUrl::fromPath(spanned[0]);
    EXPECT_EQ(get(desktop().pictureKey),
              "'" + (desktop().pictureIsPath ? url.path().string() : url.absoluteString()) + "'");
    const auto composed = decodeImage(*readWholeFile(spanned[0]), 1000);
    ASSERT_TRUE(composed);
    EXPECT_EQ(std::pair(composed->width, composed->height), std::pair(480, 200));
}

TEST_P(GsettingsDesktopTest, AMissingSchemaIsAFailureNamingTheDesktop) {
    // Without the system data folders gsettings finds no schema at all.
    m_home.setVar("XDG_DATA_DIRS", m_home.dataHome());
    const auto picture = m_home.picture("red.png", {220, 20, 30});
    const test::LogCapture log;
    EXPECT_FALSE(m_backend.show({{kLeft, picture, std::nullopt}}));
    EXPECT_TRUE(logged(log, "kestrane-wallpaper-agent: " + std::string(desktop().name) +
                                ": gsettings failed: no " + desktop().schema))
        << ::testing::PrintToString(log.lines());
}

INSTANTIATE_TEST_SUITE_P(Desktops, GsettingsDesktopTest,
                         ::testing::Values(kGnomeDesktop, kCinnamonDesktop, kMateDesktop),
                         [](const auto& info) { return std::string(info.param.name); });

// A session bus of the test's own on which xfconfd is started on demand, keeping its channels
// under the private home.
class XfconfSession {
public:
    XfconfSession() {
        const auto out = programOutput(
            {"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"},
            kToolLimit);
        std::istringstream lines(out.value_or(""));
        lines >> m_address >> m_busPid;
        if (!m_address.empty())
            m_home.setVar("DBUS_SESSION_BUS_ADDRESS", m_address);
    }
    ~XfconfSession() {
        if (m_busPid <= 0)
            return;
        // xfconfd writes its channels a moment after a change and as it ends: it must be gone
        // before the home is removed.
        const auto owner = programOutput(
            {"gdbus", "call", "--address", m_address, "--dest", "org.freedesktop.DBus",
             "--object-path", "/org/freedesktop/DBus", "--method",
             "org.freedesktop.DBus.GetConnectionUnixProcessID", "org.xfce.Xfconf"},
            kToolLimit);
        // "(uint32 1234,)"
        const pid_t xfconfd = owner ? std::atoi(owner->c_str() + owner->find(' ') + 1) : 0;
        if (xfconfd > 0) {
            ::kill(xfconfd, SIGTERM);
            // Gone, or a zombie its adopting parent has not reaped yet.
            const auto stat = "/proc/" + std::to_string(xfconfd) + "/stat";
            test::waitUntil([&] {
                const std::string text = test::readText(stat);
                const auto end = text.rfind(") ");
                return end == std::string::npos || text.compare(end, 3, ") Z") == 0;
            });
        }
        ::kill(m_busPid, SIGTERM);
    }
    XfconfSession(const XfconfSession&) = delete;
    XfconfSession& operator=(const XfconfSession&) = delete;

    bool running() const { return m_busPid > 0; }
    DesktopHome& home() { return m_home; }

    bool set(const char* channel, const std::string& property, const char* type,
             const std::string& value) const {
        return runProgram(
                   {"xfconf-query", "-c", channel, "-p", property, "-n", "-t", type, "-s", value},
                   kToolLimit) == 0;
    }
    std::string get(const std::string& property) const {
        auto text =
            programOutput({"xfconf-query", "-c", "xfce4-desktop", "-p", property}, kToolLimit);
        if (text && text->ends_with('\n'))
            text->pop_back();
        return text.value_or("(none)");
    }
    std::string list() const {
        return programOutput({"xfconf-query", "-c", "xfce4-desktop", "-l"}, kToolLimit)
            .value_or("(none)");
    }

private:
    DesktopHome m_home;
    std::string m_address;
    pid_t m_busPid = 0;
};

TEST(XfceBackend, SetsEachMonitorsBackdropOnEveryWorkspace) {
    if (runProgram({"xfconf-query", "--version"}, kToolLimit, true) != 0 ||
        runProgram({"dbus-daemon", "--version"}, kToolLimit, true) != 0)
        GTEST_SKIP() << "xfconf or dbus-daemon is not installed";
    constexpr int kOld = -1;
    constexpr int kNone = -1;
    struct Case {
        const char* what;
        // Backdrop folders under /backdrop/screen0/ that show an old picture.
        std::vector<std::string> seeded;
        int workspaceCount;
        // Display name and its picture (0 or 1, kNone for one that keeps what it shows).
        std::vector<std::pair<std::string, int>> plan;
        bool succeeds;
        // Backdrop folder and the picture it then shows (kOld: untouched).
        std::map<std::string, int> expected;
        const char* line;
        bool withoutXfconfQuery = false;
    };
    const std::string odd = "DP-1[0]{a}<b>,c:d.e|f";
    const std::vector<Case> cases{
        {"two monitors, two workspaces",
         {"monitorDP-1/workspace0", "monitorDP-1/workspace1", "monitorDP-2/workspace0",
          "monitorDP-2/workspace1"},
         0,
         {{"DP-1", 0}, {"DP-2", 1}},
         true,
         {{"monitorDP-1/workspace0", 0},
          {"monitorDP-1/workspace1", 0},
          {"monitorDP-2/workspace0", 1},
          {"monitorDP-2/workspace1", 1}},
         ""},
        {"a fresh session: one backdrop per workspace is made",
         {},
         2,
         {{"DP-1", 0}, {"HDMI-1", 1}},
         true,
         {{"monitorDP-1/workspace0", 0},
          {"monitorDP-1/workspace1", 0},
          {"monitorHDMI-1/workspace0", 1},
          {"monitorHDMI-1/workspace1", 1}},
         ""},
        {"an odd monitor name, an old-style monitor, a display that keeps its picture",
         {"monitor" + odd + "/workspace0", "monitor0/workspace0", "monitorDP-2/workspace0"},
         0,
         {{"DP-2", kNone}, {odd, 1}},
         true,
         {{"monitor" + odd + "/workspace0", 1},
          {"monitor0/workspace0", 1},
          {"monitorDP-2/workspace0", kOld}},
         ""},
        {"no X server: one picture everywhere",
         {"monitorDP-1/workspace0", "monitorDP-2/workspace0"},
         0,
         {{"*", 0}},
         true,
         {{"monitorDP-1/workspace0", 0}, {"monitorDP-2/workspace0", 0}},
         ""},
        {"a display name no xfconf property can hold",
         {"monitorDP-2/workspace0"},
         0,
         {{"DP-2", 1}, {"DP 1 (x)", 0}},
         false,
         {{"monitorDP-2/workspace0", kOld}},
         "kestrane-wallpaper-agent: Xfce: the display name \"DP 1 (x)\""},
        {"xfconf-query missing",
         {},
         0,
         {{"DP-1", 0}},
         false,
         {},
         "kestrane-wallpaper-agent: Xfce: xfconf-query failed",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XfconfSession session;
        ASSERT_TRUE(session.running());
        DesktopHome& home = session.home();
        const std::vector<FileUrl> pictures{home.picture(kOddName, {200, 30, 30}),
                                            home.picture("blue.png", {20, 30, 220})};
        const std::string old = (home.root() / "old.png").string();
        for (const auto& folder : c.seeded)
            ASSERT_TRUE(session.set("xfce4-desktop", "/backdrop/screen0/" + folder + "/last-image",
                                    "string", old));
        if (c.workspaceCount) {
            ASSERT_TRUE(session.set("xfwm4", "/general/workspace_count", "int",
                                    std::to_string(c.workspaceCount)));
        }
        DisplayPlan plan;
        for (const auto& [name, picture] : c.plan)
            plan.push_back({{"UUID-" + name, name, 0, 0, 0, 0},
                            picture == kNone ? std::nullopt : std::optional(pictures[picture]),
                            std::nullopt});

        const std::string path = std::getenv("PATH");
        if (c.withoutXfconfQuery)
            home.setVar("PATH", home.dataHome());
        const test::LogCapture log;
        PictureLoader loader;
        EXPECT_EQ(XfceBackend(loader).show(plan), c.succeeds);
        if (!c.succeeds) {
            EXPECT_TRUE(logged(log, c.line)) << ::testing::PrintToString(log.lines());
        }
        home.setVar("PATH", path);

        // Nothing but the expected backdrops is there: a changed one holds both properties.
        const std::string listing = session.list();
        std::ptrdiff_t properties = 0;
        for (const auto& [folder, picture] : c.expected)
            properties += picture == kOld ? 1 : 2;
        EXPECT_EQ(std::ranges::count(listing, '\n'), properties) << listing;
        for (const auto& [folder, picture] : c.expected) {
            const std::string property = "/backdrop/screen0/" + folder;
            EXPECT_EQ(session.get(property + "/last-image"),
                      picture == kOld ? old : pictures[picture].path().string())
                << folder;
            if (picture != kOld) {
                EXPECT_EQ(session.get(property + "/image-style"), "5") << folder;
            }
        }
    }
}

} // namespace
} // namespace ks
