#include "agent/agent_state.h"
#include "agent/gsettings_desktop_backend.h"
#include "agent/xfce_backend.h"
#include "base/file_io.h"
#include "library/test_images.h"
#include "main/app_process.h"
#include "platform/linux/agent_process.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <sstream>

namespace ks {

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

// A program's output without its last line break; "(failed)" when it fails.
std::string output(const std::vector<std::string>& argv) {
    auto text = programOutput(argv, kToolLimit);
    if (text && text->ends_with('\n'))
        text->pop_back();
    return text.value_or("(failed)");
}

bool logged(const test::LogCapture& log, const std::string& start) {
    const auto lines = log.lines();
    return lines.size() == 1 && lines[0].starts_with(start);
}

class GsettingsDesktopTest : public ::testing::TestWithParam<const GsettingsDesktop*> {
protected:
    void SetUp() override {
        // The keyfile backend writes a plain file in the private config folder instead of the
        // session's settings.
        m_home.setVar("GSETTINGS_BACKEND", "keyfile");
        if (runProgram({"gsettings", "list-keys", desktop().schema}, kToolLimit, true) != 0)
            GTEST_SKIP() << "gsettings or the " << desktop().name << " schemas are not installed";
    }

    const GsettingsDesktop& desktop() const { return *GetParam(); }
    // The value as gsettings prints it.
    std::string get(const char* key) const {
        return output({"gsettings", "get", desktop().schema, key});
    }

    DesktopHome m_home;
    PictureLoader m_loader;
    GsettingsDesktopBackend m_backend{*GetParam(), m_loader, agentDataDir()};
};

TEST_P(GsettingsDesktopTest, OnePictureIsZoomedTwoAreSpannedAMissingSchemaOrToolFails) {
    const auto odd = m_home.picture(kOddName, {200, 30, 30});
    ASSERT_TRUE(m_backend.show({{kLeft, odd, std::nullopt}}));
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

    const auto blue = m_home.picture("blue.png", {20, 30, 220});
    ASSERT_TRUE(m_backend.show({{kLeft, odd, std::nullopt}, {kRight, blue, std::nullopt}}));
    EXPECT_EQ(get("picture-options"), "'spanned'");
    std::vector<FileUrl> spanned;
    for (const auto& entry : std::filesystem::directory_iterator(agentDataDir()))
        if (entry.path().filename().string().starts_with("spanned-"))
            spanned.push_back(*FileUrl::fromPath(entry.path()));
    ASSERT_EQ(spanned.size(), 1u);
    EXPECT_EQ(
        get(desktop().pictureKey),
        "'" + (desktop().pictureIsPath ? spanned[0].path().string() : spanned[0].absoluteString()) +
            "'");

    // Without the system data folders gsettings finds no schema at all.
    m_home.setVar("XDG_DATA_DIRS", m_home.dataHome());
    const test::LogCapture log;
    EXPECT_FALSE(m_backend.show({{kLeft, blue, std::nullopt}}));
    EXPECT_TRUE(logged(log, "kestrane-wallpaper-agent: " + std::string(desktop().name) +
                                ": gsettings failed: no " + desktop().schema))
        << ::testing::PrintToString(log.lines());
    m_home.setVar("PATH", m_home.dataHome());
    const test::LogCapture noTool;
    EXPECT_FALSE(m_backend.show({{kLeft, blue, std::nullopt}}));
    EXPECT_TRUE(logged(noTool, "kestrane-wallpaper-agent: " + std::string(desktop().name) +
                                   ": gsettings failed: not found"))
        << ::testing::PrintToString(noTool.lines());
}

INSTANTIATE_TEST_SUITE_P(Desktops, GsettingsDesktopTest,
                         ::testing::Values(&kGnomeDesktop, &kCinnamonDesktop, &kMateDesktop),
                         [](const auto& info) { return std::string(info.param->name); });

// A session bus of the test's own, on which xfconfd starts on demand and keeps its channels
// in the private config folder.
struct PrivateSessionBus {
    explicit PrivateSessionBus(test::TempHome& home) {
        std::istringstream lines(
            output({"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"}));
        lines >> address >> pid;
        home.setVar("DBUS_SESSION_BUS_ADDRESS", address);
    }
    ~PrivateSessionBus() {
        // xfconfd writes its channels a moment after a change: it must be gone before the home
        // is removed. "(uint32 1234,)"
        const std::string owner =
            output({"gdbus", "call", "--address", address, "--dest", "org.freedesktop.DBus",
                    "--object-path", "/org/freedesktop/DBus", "--method",
                    "org.freedesktop.DBus.GetConnectionUnixProcessID", "org.xfce.Xfconf"});
        if (const pid_t xfconfd = std::atoi(owner.c_str() + owner.find(' ') + 1); xfconfd > 0) {
            ::kill(xfconfd, SIGTERM);
            // Gone, or a zombie its adopting parent has not reaped yet.
            test::waitUntil([&] {
                const auto stat = test::readText("/proc/" + std::to_string(xfconfd) + "/stat");
                return stat.empty() || stat.find(") Z ") != std::string::npos;
            });
        }
        if (pid > 0)
            ::kill(pid, SIGTERM);
    }

    std::string address;
    pid_t pid = 0;
};

std::string xfconf(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xfconf-query");
    return output(arguments);
}

TEST(XfceBackend, SetsEachMonitorsBackdropOnEveryWorkspace) {
    if (output({"xfconf-query", "--version"}) == "(failed)" ||
        output({"dbus-daemon", "--version"}) == "(failed)")
        GTEST_SKIP() << "xfconf or dbus-daemon is not installed";
    DesktopHome home;
    const PrivateSessionBus bus(home);
    ASSERT_GT(bus.pid, 0);
    const std::map<std::string, std::string> pictures{
        {"0", home.picture(kOddName, {200, 30, 30}).path().string()},
        {"1", home.picture("blue.png", {20, 30, 220}).path().string()},
        {"old", (home.root() / "old.png").string()}};
    struct Case {
        const char* what;
        const char* seeded;     // backdrops ("MONITOR/WORKSPACE") that show the old picture
        const char* workspaces; // xfwm4's count, if set
        const char* plan;       // "DISPLAY=PICTURE": 0, 1, or "-" for one that keeps what it shows
        const char* expected;   // "BACKDROP=PICTURE" afterwards: 0, 1, or "old"
        std::string line = "";  // the one log line of a failure
        bool withoutXfconfQuery = false;
    };
    const std::vector<Case> cases{
        {"two monitors, two workspaces", "DP-1/0 DP-1/1 DP-2/0 DP-2/1", "", "DP-1=0 DP-2=1",
         "DP-1/0=0 DP-1/1=0 DP-2/0=1 DP-2/1=1"},
        {"a fresh session", "", "2", "DP-1=0 HDMI-1=1", "DP-1/0=0 DP-1/1=0 HDMI-1/0=1 HDMI-1/1=1"},
        {"an odd name, an old-style monitor, a display that keeps its picture",
         "DP-1[0]{a}<b>,c:d.e|f/0 0/0 DP-2/0", "", "DP-2=- DP-1[0]{a}<b>,c:d.e|f=1",
         "DP-1[0]{a}<b>,c:d.e|f/0=1 0/0=1 DP-2/0=old"},
        {"no X server: one picture everywhere", "DP-1/0 DP-2/0", "", "*=0", "DP-1/0=0 DP-2/0=0"},
        {"a display name no xfconf property can hold", "DP-2/0", "", "DP-2=1 DP(1)=0", "DP-2/0=old",
         "kestrane-wallpaper-agent: Xfce: the display name \"DP(1)\""},
        {"xfconf-query missing", "", "", "DP-1=0", "",
         "kestrane-wallpaper-agent: Xfce: xfconf-query failed", true},
    };
    const auto pairs = [](const char* text) {
        std::vector<std::pair<std::string, std::string>> out;
        std::istringstream words(text);
        for (std::string word; words >> word;)
            out.emplace_back(word.substr(0, word.rfind('=')), word.substr(word.rfind('=') + 1));
        return out;
    };
    const auto property = [](const std::string& backdrop, const char* key) {
        const auto slash = backdrop.rfind('/');
        return "/backdrop/screen0/monitor" + backdrop.substr(0, slash) + "/workspace" +
               backdrop.substr(slash + 1) + "/" + key;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        xfconf({"-c", "xfce4-desktop", "-p", "/backdrop", "-r", "-R"});
        xfconf({"-c", "xfwm4", "-p", "/general", "-r", "-R"});
        std::istringstream seeded(c.seeded);
        for (std::string backdrop; seeded >> backdrop;)
            xfconf({"-c", "xfce4-desktop", "-p", property(backdrop, "last-image"), "-n", "-t",
                    "string", "-s", pictures.at("old")});
        if (*c.workspaces)
            xfconf({"-c", "xfwm4", "-p", "/general/workspace_count", "-n", "-t", "int", "-s",
                    c.workspaces});
        DisplayPlan plan;
        for (const auto& [name, picture] : pairs(c.plan))
            plan.push_back({{"UUID-" + name, name, 0, 0, 0, 0},
                            picture == "-" ? std::nullopt : FileUrl::fromPath(pictures.at(picture)),
                            std::nullopt});

        const std::string path = std::getenv("PATH");
        if (c.withoutXfconfQuery)
            home.setVar("PATH", home.dataHome());
        const test::LogCapture log;
        PictureLoader loader;
        EXPECT_EQ(XfceBackend(loader).show(plan), c.line.empty());
        EXPECT_TRUE(c.line.empty() || logged(log, c.line)) << ::testing::PrintToString(log.lines());
        home.setVar("PATH", path);

        // Nothing but the expected backdrops is there: a changed one holds both properties.
        std::ptrdiff_t properties = 0;
        for (const auto& [backdrop, picture] : pairs(c.expected)) {
            properties += picture == "old" ? 1 : 2;
            const auto style =
                xfconf({"-c", "xfce4-desktop", "-p", property(backdrop, "image-style")});
            EXPECT_EQ(xfconf({"-c", "xfce4-desktop", "-p", property(backdrop, "last-image")}) +
                          (picture == "old" ? "" : " style " + style),
                      pictures.at(picture) + (picture == "old" ? "" : " style 5"))
                << backdrop;
        }
        // Property names hold no spaces.
        std::istringstream listing(xfconf({"-c", "xfce4-desktop", "-l"}));
        EXPECT_EQ(std::distance(std::istream_iterator<std::string>(listing), {}), properties);
    }
}

} // namespace
} // namespace ks
