#include "agent/agent_state.h"
#include "agent/gsettings_desktop_backend.h"
#include "base/file_io.h"
#include "library/decode_image.h"
#include "library/test_images.h"
#include "main/app_process.h"
#include "platform/linux/agent_process.h"
#include "support/temp_home.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

namespace ks {
namespace {

// A private home for the agent with no desktop and no X server, so that each test picks
// its backend itself.
class AgentHome : public test::TempHome {
public:
    AgentHome() {
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "SWAYSOCK",
              "KESTRANE_WALLPAPER_COMMAND", "GSETTINGS_BACKEND"})
            unsetVar(name);
        setVar("KESTRANE_NO_SYSLOG", "1");
    }

    std::filesystem::path store() const { return defaultStorePath(); }

    // A picture of one colour, as `name` under the home.
    FileUrl picture(const std::string& name, std::vector<double> rgb) const {
        std::filesystem::create_directories((root() / name).parent_path());
        replaceFileAtomically(root() / name,
                              test::encode(test::solid(64, 48, std::move(rgb)), ".png"));
        return *FileUrl::fromPath(root() / name);
    }

    // Writes the store the writer writes for this request; returns its bytes.
    Bytes writeStore(const FileUrl& primary, const DisplayList& displays = {}) const {
        PlistPtr tree(plist_new_dict());
        updateStore(tree.get(), primary, displays, {15, 0, "test"}, SysTime{});
        std::filesystem::create_directories(store().parent_path());
        replaceFileAtomically(store(), *binaryPropertyList(tree.get()));
        return *readWholeFile(store());
    }
};

test::AppRun runAgent(const AgentHome& home, const std::vector<std::string>& arguments) {
    return test::runApp(arguments, home.root(), "agent");
}

TEST(AgentRun, TheCommandGetsEachPictureAsOneWordWithoutAShell) {
    AgentHome home;
    // What is filled in is neither split, nor run by a shell, nor scanned for placeholders.
    const auto picture = home.picture(
        "My Pictures/it's \"odd\"; touch PWNED $(touch PWNED) `touch PWNED` {output}.png",
        {200, 40, 40});
    const Bytes store = home.writeStore(picture);
    const auto calls = home.root() / "calls.txt";
    const std::string command = "sh -c 'printf \"%s|%s\\n\" \"$1\" \"$2\" >> \"$0\"' " +
                                calls.string() + " {output} --file={file}.{output}";
    const auto run = runAgent(home, {"--backend", "command", "--command", command});
    ASSERT_EQ(run.status, 0) << run.err;
    // No display list without an X server: one run for every output.
    EXPECT_EQ(test::readText(calls), "*|--file=" + picture.path().string() + ".*\n");
    EXPECT_FALSE(std::filesystem::exists("PWNED"));
    EXPECT_EQ(readWholeFile(home.store().parent_path() / "Applied.plist"), store);
}

TEST(AgentRun, ARejectedStoreIsPutBackOrMovedAsideAndTheRunFails) {
    AgentHome home;
    const std::vector<std::string> ok{"--command", "true {file}"};
    const auto gone = *FileUrl::fromPath(home.root() / "gone.png");
    // With nothing applied yet it goes aside; then there is no store, which is no failure.
    const Bytes rejected = home.writeStore(gone);
    EXPECT_EQ(runAgent(home, ok).status, 1);
    EXPECT_FALSE(std::filesystem::exists(home.store()));
    EXPECT_EQ(readWholeFile(home.store().string() + ".rejected"), rejected);
    EXPECT_EQ(runAgent(home, ok).status, 0);

    const auto good = home.picture("good.png", {20, 200, 40});
    const Bytes applied = home.writeStore(good);
    ASSERT_EQ(runAgent(home, ok).status, 0);
    const auto notes = home.root() / "notes.png";
    std::ofstream(notes) << "not a picture";
    const PlistPtr array(plist_new_array());
    struct Case {
        const char* what;
        std::function<void()> write;
        std::vector<std::string> arguments;
    };
    const std::vector<Case> cases{
        {"missing picture", [&] { home.writeStore(gone); }, ok},
        {"undecodable picture", [&] { home.writeStore(*FileUrl::fromPath(notes)); }, ok},
        {"not a property list",
         [&] { replaceFileAtomically(home.store(), asBytes("<plist>broken")); }, ok},
        {"not a dictionary",
         [&] { replaceFileAtomically(home.store(), *binaryPropertyList(array.get())); }, ok},
        {"failing command",
         [&] {
             home.writeStore(good, {{"ANY", good}});
         },
         {"--command", "false {file}"}},
        // The root window cannot be drawn on without an X server: a failure, not a crash.
        {"no X server",
         [&] {
             home.writeStore(good, {{"ANY", good}});
         },
         {"--backend", "x11-root"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.write();
        const auto run = runAgent(home, c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("rejected the store"), std::string::npos) << run.err;
        EXPECT_EQ(readWholeFile(home.store()), applied);
    }

    // The store applied last, failing now for want of a display, is the user's: it stays.
    const auto again = runAgent(home, {"--backend", "x11-root"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("left in place"), std::string::npos) << again.err;
    EXPECT_EQ(readWholeFile(home.store()), applied);
}

TEST(AgentRun, BadUsageExitsWithTwo) {
    AgentHome home;
    const std::vector<std::vector<std::string>> usages{
        {"--bogus"},
        {"--backend", "kde"},
        {"--backend"},
        {"--store"},
        {"--set-picture", "UUID"},
        {"--list-displays", "--set-picture", "UUID", "file:///a.png"},
        {"--set-picture", "UUID", "file:///a.png", "--store", "/tmp/x"},
        {"--backend", "command"},
        {"--command", "set-bg 'unclosed {file}"},
    };
    for (const auto& arguments : usages) {
        const auto run = runAgent(home, arguments);
        EXPECT_EQ(run.status, 2) << arguments.front();
        EXPECT_FALSE(run.err.empty());
    }
    // Without an X server there is nothing to list: a failure, not an empty list.
    EXPECT_EQ(runAgent(home, {"--list-displays"}).status, 1);
}

TEST(AgentRun, ASessionWithoutABackendFailsNamingItAndTheWayOut) {
    AgentHome home;
    home.writeStore(home.picture("red.png", {200, 30, 30}));
    // Hyprland shows no root window, not even XWayland's: a failure, never a success.
    home.setVar("XDG_CURRENT_DESKTOP", "Hyprland");
    home.setVar("XDG_SESSION_TYPE", "wayland");
    const auto run = runAgent(home, {});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kestrane-wallpaper-agent: Hyprland: no desktop backend (a Wayland "
                           "session we have no backend for); use --backend NAME (x11-root, "
                           "gnome, command, plasma, xfce, cinnamon, mate, lxqt, sway) or "
                           "--command TEMPLATE (or KESTRANE_WALLPAPER_COMMAND)\n"),
              std::string::npos)
        << run.err;
    const auto explained = runAgent(home, {"--explain"});
    EXPECT_EQ(explained.status, 0);
    EXPECT_NE(explained.out.find("backend: none: Hyprland: "), std::string::npos);
    home.setVar("XDG_CURRENT_DESKTOP", "KDE");
    home.setVar("XDG_SESSION_TYPE", "x11");
    EXPECT_EQ(runAgent(home, {"--explain"}).out,
              "session: XDG_CURRENT_DESKTOP=KDE, XDG_SESSION_TYPE=x11, no X display\n"
              "backend: plasma (XDG_CURRENT_DESKTOP names KDE)\n");
}

TEST(AgentProcessLauncher, RunsTheAgentAndReportsItsStatus) {
    AgentHome home;
    AgentProcess agent;
    for (const auto& [program, status] :
         {std::pair<std::string, std::optional<int>>{"/bin/true", 0},
          {"/bin/false", 1},
          {(home.root() / "no-such-agent").string(), std::nullopt}}) {
        home.setVar("KESTRANE_AGENT", program);
        EXPECT_EQ(agent.run(), status) << program;
    }
}

TEST(AgentProcessLauncher, ARunPastItsLimitIsKilledWithWhatItStarted) {
    AgentHome home;
    const auto pidFile = home.root() / "pid";
    const auto status =
        runProgram({"sh", "-c", "sleep 30 & echo $! > \"$0\"; wait", pidFile.string()},
                   std::chrono::seconds(1));
    EXPECT_EQ(status, std::nullopt);
    const auto stat = "/proc/" + std::to_string(std::stoi(test::readText(pidFile))) + "/stat";
    // Gone, or a zombie waiting for its new parent.
    const auto ended = [&] {
        std::string text;
        std::getline(std::ifstream(stat), text);
        const auto close = text.rfind(')');
        return close == std::string::npos || text.substr(close, 3) == ") Z";
    };
    EXPECT_TRUE(test::waitUntil(ended));
}

TEST(AgentProcessLauncher, TerminatesTheAgentsOfThisSessionOnly) {
    AgentHome home;
    // A name of its own, so that agents of tests running alongside are left alone, and longer
    // than the 15 characters the kernel keeps as a process's name.
    const std::string name = "ks-test-agent-" + std::to_string(::getpid());
    const auto fake = home.root() / name;
    std::filesystem::copy_file("/bin/sleep", fake);
    const auto spawn = [](const std::filesystem::path& program, char** environment = environ) {
        std::string path = program.string(), seconds = "30";
        char* argv[] = {path.data(), seconds.data(), nullptr};
        pid_t pid = -1;
        return posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environment) == 0 ? pid : -1;
    };
    // An agent of another session works on the store of another data home.
    std::string otherHome = "XDG_DATA_HOME=" + (home.root() / "other").string();
    char* otherEnvironment[] = {otherHome.data(), nullptr};
    const pid_t agent = spawn(fake);
    const pid_t bystander = spawn("/bin/sleep");
    const pid_t otherSession = spawn(fake, otherEnvironment);
    ASSERT_GT(agent, 0);
    ASSERT_GT(bystander, 0);
    ASSERT_GT(otherSession, 0);
    // The spawned program may still be the test's own image for a moment.
    test::waitUntil([&] {
        std::error_code error;
        const auto exe = [&](pid_t pid) {
            return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
        };
        return exe(agent) == fake && exe(otherSession) == fake;
    });
    AgentProcess(name).terminateRunning();
    int raw = 0;
    ASSERT_EQ(::waitpid(agent, &raw, 0), agent);
    EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGTERM);
    for (const pid_t spared : {bystander, otherSession}) {
        EXPECT_EQ(::waitpid(spared, &raw, WNOHANG), 0);
        ::kill(spared, SIGKILL);
        ::waitpid(spared, &raw, 0);
    }
}

class GnomeBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The keyfile backend writes a plain file in the private config folder instead of the
        // session's settings.
        m_home.setVar("GSETTINGS_BACKEND", "keyfile");
        if (runProgram({"gsettings", "list-keys", "org.gnome.desktop.background"},
                       std::chrono::seconds(30), true) != 0)
            GTEST_SKIP() << "gsettings or the GNOME desktop schemas are not installed";
    }

    // The value the keyfile holds for `key`, as GVariant text.
    std::string setting(const std::string& key) const {
        const std::string text =
            test::readText(m_home.configHome() / "glib-2.0" / "settings" / "keyfile");
        const auto at = text.find("\n" + key + "=");
        const auto start = at + key.size() + 2;
        return at == std::string::npos ? "" : text.substr(start, text.find('\n', start) - start);
    }

    std::vector<std::filesystem::path> spannedFiles() const {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(agentDataDir(), error))
            if (entry.path().filename().string().starts_with("spanned-"))
                files.push_back(entry.path());
        return files;
    }

    AgentHome m_home;
    PictureLoader m_loader;
    GsettingsDesktopBackend m_backend{kGnomeDesktop, m_loader, agentDataDir()};
};

const AgentDisplay kLeft{"UUID-L", "DP-1", 0, 0, 320, 200};
const AgentDisplay kRight{"UUID-R", "DP-2", 320, 0, 160, 100};

TEST_F(GnomeBackendTest, OnePictureIsZoomedForLightAndDarkStyle) {
    const auto picture = m_home.picture("it's a picture.png", {200, 30, 30});
    m_home.writeStore(picture);
    const auto run = test::runApp({"--backend", "gnome"}, m_home.root(), "gnome");
    ASSERT_EQ(run.status, 0) << run.err;
    // The quote in the file name reached gsettings as part of the string, not its end.
    const std::string uri = "\"file://" + m_home.root().string() + "/it's%20a%20picture.png\"";
    EXPECT_EQ(setting("picture-uri"), uri);
    EXPECT_EQ(setting("picture-uri-dark"), uri);
    EXPECT_EQ(setting("picture-options"), "'zoom'");
}

TEST_F(GnomeBackendTest, ASettingThatDoesNotLastIsAFailure) {
    // gsettings exits with 0 when dconf cannot store a value; the memory backend forgets it
    // in the same way.
    m_home.setVar("GSETTINGS_BACKEND", "memory");
    const auto picture = m_home.picture("red.png", {220, 20, 30});
    EXPECT_FALSE(m_backend.show({{kLeft, picture, std::nullopt}}));
}

TEST_F(GnomeBackendTest, DifferentPicturesSpanOnePictureAcrossTheDisplays) {
    const auto red = m_home.picture("red.png", {220, 20, 30});
    const auto blue = m_home.picture("blue.png", {20, 30, 220});
    const auto at = [](const Image& image, int x, int y) {
        const auto* p = image.pixels.get() + y * image.stride() + x * 4;
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    ASSERT_TRUE(m_backend.show({{kLeft, red, std::nullopt}, {kRight, blue, std::nullopt}}));
    EXPECT_EQ(setting("picture-options"), "'spanned'");
    ASSERT_EQ(spannedFiles().size(), 1u);
    EXPECT_EQ(setting("picture-uri"),
              "'" + FileUrl::fromPath(spannedFiles()[0])->absoluteString() + "'");
    const auto composed = decodeImage(*readWholeFile(spannedFiles()[0]), 1000);
    ASSERT_TRUE(composed);
    EXPECT_EQ(std::pair(composed->width, composed->height), std::pair(480, 200));
    EXPECT_EQ(at(*composed, 5, 195), (std::array{220, 20, 30}));
    EXPECT_EQ(at(*composed, 475, 5), (std::array{20, 30, 220}));
    // Below the smaller display nothing is shown.
    EXPECT_EQ(at(*composed, 400, 150), (std::array{0, 0, 0}));

    // One display changes, the other keeps its picture; the old composition goes.
    const auto green = m_home.picture("green.png", {30, 200, 40});
    ASSERT_TRUE(m_backend.show({{kLeft, std::nullopt, red}, {kRight, green, blue}}));
    ASSERT_EQ(spannedFiles().size(), 1u);
    const auto recomposed = decodeImage(*readWholeFile(spannedFiles()[0]), 1000);
    ASSERT_TRUE(recomposed);
    EXPECT_EQ(at(*recomposed, 475, 5), (std::array{30, 200, 40}));

    // The same picture everywhere again needs no composition.
    ASSERT_TRUE(m_backend.show({{kLeft, green, red}, {kRight, green, green}}));
    EXPECT_EQ(setting("picture-options"), "'zoom'");
    EXPECT_TRUE(spannedFiles().empty());

    // Displays at the far ends of the X screen would span gigabytes.
    const AgentDisplay farAway{"UUID-F", "DP-3", 32000, 32000, 160, 100};
    EXPECT_FALSE(m_backend.show({{kLeft, red, std::nullopt}, {farAway, blue, std::nullopt}}));
    EXPECT_EQ(setting("picture-options"), "'zoom'");
}

} // namespace
} // namespace ks
