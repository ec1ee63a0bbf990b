#include "platform/linux/xdg_autostart.h"

#include "base/file_io.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ks {
namespace {

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// A launcher's reading of a one-argument Exec value: escapes, then quoting, then field codes.
std::string readExecArgument(const std::string& value) {
    const std::string reserved = "\"`$\\";
    std::string unescaped, unquoted, result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto at = i + 1 < value.size() && value[i] == '\\'
                            ? std::string("s\\ntr").find(value[i + 1])
                            : std::string::npos;
        unescaped += at == std::string::npos ? value[i] : " \\\n\t\r"[at];
        i += at != std::string::npos;
    }
    if (!unescaped.empty() && unescaped.front() == '"') {
        EXPECT_EQ(unescaped.back(), '"') << value;
        for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
            if (unescaped[i] == '\\' && reserved.find(unescaped[i + 1]) != std::string::npos)
                ++i;
            else
                EXPECT_EQ(reserved.find(unescaped[i]), std::string::npos) << "in " << value;
            unquoted += unescaped[i];
        }
    } else {
        EXPECT_EQ(unescaped.find_first_of(" \t\n\"'\\><~|&;$*?#()`"), std::string::npos)
            << "reserved character outside quotes in " << value;
        unquoted = unescaped;
    }
    for (std::size_t i = 0; i < unquoted.size(); ++i) {
        if (unquoted[i] == '%') {
            EXPECT_EQ(unquoted[++i], '%') << "field code in " << value;
        }
        result += unquoted[i];
    }
    return result;
}

TEST(DesktopEntry, ReadsOnlyTheMainGroupAndHiddenOrSwitchedOffEntriesDoNotStart) {
    const auto keys = DesktopEntry::parseMainGroup("# written by hand\n"
                                                   "[Other]\nExec=nope\n"
                                                   "[Desktop Entry]\n"
                                                   "  Name = Kestrane\\sWallpapers  \n"
                                                   "Comment=two\\nlines\n"
                                                   "Exec=/usr/bin/kw\n"
                                                   "Exec=/second/one\n"
                                                   "[Desktop Action x]\nHidden=true\n");
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->at("Name"), "Kestrane Wallpapers");
    EXPECT_EQ(keys->at("Comment"), "two\nlines");
    EXPECT_EQ(keys->at("Exec"), "/usr/bin/kw");
    EXPECT_EQ(keys->count("Hidden"), 0u);

    EXPECT_FALSE(DesktopEntry::parseMainGroup("Name=x\n[Desktop Entries]\nExec=y\n"));
    EXPECT_FALSE(DesktopEntry::parseMainGroup(""));

    const std::string head = "[Desktop Entry]\nType=Application\nExec=/x\n";
    EXPECT_TRUE(DesktopEntry::startsAtLogin(head));
    EXPECT_TRUE(
        DesktopEntry::startsAtLogin(head + "Hidden=false\nX-GNOME-Autostart-enabled=true\n"));
    EXPECT_FALSE(DesktopEntry::startsAtLogin(head + "Hidden=true\n"));
    EXPECT_FALSE(DesktopEntry::startsAtLogin(head + "Hidden = true\r\n"));
    EXPECT_FALSE(DesktopEntry::startsAtLogin(head + "X-GNOME-Autostart-enabled=false\n"));
    EXPECT_FALSE(DesktopEntry::startsAtLogin("Exec=/x\n"));
    EXPECT_TRUE(DesktopEntry::startsAtLogin(head + "[Desktop Action a]\nHidden=true\n"));
}

TEST(DesktopEntry, ExecArgumentSurvivesEveryReadingStep) {
    EXPECT_EQ(DesktopEntry::execArgument("/usr/bin/kestrane-wallpapers"),
              "/usr/bin/kestrane-wallpapers");
    // A literal backslash in a quoted argument takes four backslashes.
    EXPECT_EQ(DesktopEntry::execArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    for (const std::string path :
         {"/plain/path", "/with space/x", "/q\"uote", "/back`tick", "/d$ollar", "/b\\ack",
          "/new\nline", "/tab\there", "/per%cent %f", "/it's (a) <test>|&;*?#~", "/ünïcode/ß"})
        EXPECT_EQ(readExecArgument(DesktopEntry::execArgument(path)), path);
}

class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartLoginItems::Paths paths() const {
        return {m_home.configHome() / "autostart" / "kestrane-wallpapers.desktop",
                {m_home.root() / "xdg1" / "autostart" / "kestrane-wallpapers.desktop",
                 m_home.root() / "xdg2" / "autostart" / "kestrane-wallpapers.desktop"},
                std::filesystem::path("/opt/Kestrane Apps/kestrane-wallpapers")};
    }

    test::TempHome m_home;
};

TEST_F(XdgAutostartTest, EnableWritesAnEntryThatStartsTheProgramAndDisableRemovesIt) {
    XdgAutostartLoginItems items(paths());
    EXPECT_EQ(items.status(), LoginItems::kStatusNotRegistered);
    EXPECT_TRUE(items.disable().ok); // nothing to remove is not a failure

    ASSERT_TRUE(items.enable().ok);
    EXPECT_EQ(items.status(), LoginItems::kStatusEnabled);
    const auto keys = DesktopEntry::parseMainGroup(asText(*readWholeFile(paths().userEntry)));
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->at("Type"), "Application");
    EXPECT_EQ(keys->at("Name"), "Kestrane Wallpapers");
    EXPECT_EQ(readExecArgument(keys->at("Exec")), "/opt/Kestrane Apps/kestrane-wallpapers");

    ASSERT_TRUE(items.enable().ok) << "enabling again replaces the entry";
    ASSERT_TRUE(items.disable().ok);
    EXPECT_FALSE(std::filesystem::exists(paths().userEntry));
    EXPECT_EQ(items.status(), LoginItems::kStatusNotRegistered);
}

TEST_F(XdgAutostartTest, ASystemWideEntryIsOverriddenNotDeleted) {
    XdgAutostartLoginItems items(paths());
    const auto system = paths().systemEntries[1];
    writeText(system, "[Desktop Entry]\nType=Application\nExec=/usr/bin/kw\n");
    EXPECT_EQ(items.status(), LoginItems::kStatusEnabled);

    ASSERT_TRUE(items.disable().ok);
    EXPECT_TRUE(std::filesystem::exists(system));
    EXPECT_EQ(items.status(), LoginItems::kStatusNotRegistered);
    ASSERT_TRUE(items.enable().ok);
    EXPECT_EQ(items.status(), LoginItems::kStatusEnabled);

    // A more important system folder that hides the entry wins over a less important one.
    writeText(paths().systemEntries[0], "[Desktop Entry]\nHidden=true\n");
    std::filesystem::remove(paths().userEntry);
    EXPECT_EQ(items.status(), LoginItems::kStatusNotRegistered);
}

TEST_F(XdgAutostartTest, FailuresAreDescribedAndChangeNothing) {
    // The autostart folder cannot be made: a file is in its place.
    writeText(m_home.configHome() / "autostart", "not a folder");
    XdgAutostartLoginItems items(paths());
    const auto result = items.enable();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("autostart"), std::string::npos) << result.error;
    EXPECT_EQ(items.status(), LoginItems::kStatusNotRegistered);

    auto unknown = paths();
    unknown.executable.reset();
    const auto noExecutable = XdgAutostartLoginItems(unknown).enable();
    EXPECT_FALSE(noExecutable.ok);
    EXPECT_FALSE(noExecutable.error.empty());
}

TEST_F(XdgAutostartTest, PathsFollowTheEnvironment) {
    m_home.setVar("XDG_CONFIG_DIRS", "/etc/one:relative/ignored::/etc/two");
    const auto found = XdgAutostartLoginItems::pathsFromEnvironment();
    EXPECT_EQ(found.userEntry, m_home.configHome() / "autostart" / "kestrane-wallpapers.desktop");
    EXPECT_EQ(found.systemEntries, (std::vector<std::filesystem::path>{
                                       "/etc/one/autostart/kestrane-wallpapers.desktop",
                                       "/etc/two/autostart/kestrane-wallpapers.desktop"}));
    EXPECT_TRUE(found.executable && found.executable->is_absolute());

    m_home.unsetVar("XDG_CONFIG_DIRS");
    EXPECT_EQ(XdgAutostartLoginItems::pathsFromEnvironment().systemEntries,
              std::vector<std::filesystem::path>{"/etc/xdg/autostart/kestrane-wallpapers.desktop"});
}

} // namespace
} // namespace ks
