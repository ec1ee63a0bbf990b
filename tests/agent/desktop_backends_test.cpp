#include "agent/desktop_tool.h"
#include "agent/lxqt_backend.h"
#include "agent/plasma_backend.h"
#include "agent/sway_backend.h"
#include "base/file_io.h"
#include "library/test_images.h"
#include "platform/linux/agent_process.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <wordexp.h>

namespace ks {
namespace {

using Words = std::vector<std::string>;
const AgentDisplay kLeft{"UUID-L", "DP-1", 0, 0, 320, 200};
const AgentDisplay kRight{"UUID-R", "HDMI-A-1", 320, 0, 160, 100};
// Everything a shell, sway, JavaScript or an option parser could take for its own.
const std::string kOddName = "-it's \"odd\" $HOME $(touch PWNED) `x` a\\b;c,d\n\u2028.png";

// A home whose PATH starts with stand-in tools that record their arguments.
class BackendHome : public test::TempHome {
public:
    BackendHome() {
        std::filesystem::create_directories(root() / "bin");
        setVar("PATH", (root() / "bin").string() + ":" + std::getenv("PATH"));
    }
    FileUrl picture(const std::string& name, std::vector<double> rgb) const {
        replaceFileAtomically(root() / name, test::encode(test::solid(64, 48, rgb), ".png"));
        return *FileUrl::fromPath(root() / name);
    }
    void write(const std::string& name, const std::string& text) const {
        replaceFileAtomically(root() / name, asBytes(text));
    }
    void tool(const std::string& name, const std::string& first = "") const {
        write("bin/" + name, "#!/bin/sh\n" + first + "printf '%s\\0' \"$@\" >> \"$0.calls\"\n" +
                                 "exit $(cat \"$0.status\" 2>/dev/null || echo 0)\n");
        std::filesystem::permissions(root() / "bin" / name, std::filesystem::perms::owner_all);
    }
    // The arguments of every call, one after the other.
    Words calls(const std::string& name) const {
        Words words;
        std::string text(
            asText(readWholeFile(root() / "bin" / (name + ".calls")).value_or(Bytes{})));
        for (std::size_t end; (end = text.find('\0')) != std::string::npos; text.erase(0, end + 1))
            words.push_back(text.substr(0, end));
        return words;
    }
};

void expectOneFailureLine(const test::LogCapture& log, const std::string& desktop) {
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("kestrane-wallpaper-agent: " + desktop + ": "));
}

TEST(LxqtBackend, TheDisplaysPicturesAreStretchedAsOneAndAFailingToolFailsTheRun) {
    BackendHome home;
    home.tool("pcmanfm-qt");
    PictureLoader loader;
    LxqtBackend backend(loader, home.root() / "agent");
    const auto odd = home.picture(kOddName, {200, 30, 30});
    ASSERT_TRUE(backend.show({{kLeft, odd, std::nullopt}, {kRight, odd, std::nullopt}}));
    // Without display sizes (no X display) the file itself goes, as one argument.
    ASSERT_TRUE(backend.show({{AgentDisplay{"", "*"}, odd, std::nullopt}}));
    const auto calls = home.calls("pcmanfm-qt");
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_TRUE(calls[1].starts_with((home.root() / "agent" / "lxqt-spanned-").string()));
    EXPECT_EQ(calls[3], "stretch");
    EXPECT_EQ(Words(calls.begin() + 4, calls.end()),
              (Words{"--set-wallpaper", odd.path().string(), "--wallpaper-mode", "zoom"}));

    home.write("bin/pcmanfm-qt.status", "3");
    test::LogCapture log;
    EXPECT_FALSE(backend.show({{kLeft, odd, std::nullopt}}));
    expectOneFailureLine(log, "LXQt");
}

// What sway makes of one argument of its command: it drops the quotes and keeps backslashes,
// replaces unescaped '$' words with its variables ("$$" is '$'), and hands a background's file
// to wordexp(3), which must neither run nor expand anything.
std::string swayReads(const std::string& argument, bool file) {
    std::string text;
    bool inString = false, inChar = false, escaped = false;
    for (const char c : argument) {
        const bool quote = !escaped && ((c == '"' && !inChar) || (c == '\'' && !inString));
        inString ^= quote && c == '"';
        inChar ^= quote && c == '\'';
        escaped = c == '\\' && !escaped;
        if (!quote)
            text.push_back(c);
    }
    for (std::size_t at = 0; (at = text.find('$', at)) != std::string::npos; ++at)
        if (file)
            EXPECT_EQ(text[at - 1], '\\') << text;
        else
            EXPECT_EQ(text.erase(at, 1)[at], '$') << text;
    wordexp_t words;
    if (!file || wordexp(text.c_str(), &words, WRDE_NOCMD | WRDE_UNDEF) != 0)
        return text;
    const std::string word = words.we_wordc == 1 ? words.we_wordv[0] : "(not one word)";
    wordfree(&words);
    return word;
}

TEST(SwayBackend, EachDisplayGetsItsOutputByNameOrRectAndEveryNameReachesSwayLiterally) {
    BackendHome home;
    home.tool("swaymsg", "[ \"$1\" = -t ] && exec cat \"$0.outputs\"\n");
    home.write("bin/swaymsg.outputs", R"([
        {"name": "DP-1", "active": true, "rect": {"x": 0, "y": 0, "width": 320, "height": 200}},
        {"name": "eDP 'x' $y", "active": true, "rect": {"x": 320, "y": 0, "width": 160, "height": 100}},
        {"name": "HDMI-A-1", "active": false, "rect": {"x": 0, "y": 0, "width": 0, "height": 0}}])");
    PictureLoader loader;
    SwayBackend backend(loader);
    // sway takes every character but a line break; real sway 1.7 passed this name to swaybg.
    const auto odd = home.picture(kOddName.substr(0, kOddName.find('\n')), {200, 30, 30});
    ASSERT_TRUE(backend.show({{kLeft, odd, std::nullopt}, {kRight, odd, std::nullopt}}));
    const auto calls = home.calls("swaymsg");
    ASSERT_EQ(calls.size(), 12u);
    for (const auto& [at, output] : {std::pair{0, "DP-1"}, {6, "eDP 'x' $y"}}) {
        EXPECT_EQ(swayReads(calls[at + 2], false), output);
        EXPECT_EQ(swayReads(calls[at + 4], true), odd.path().string());
    }

    const AgentDisplay elsewhere{"UUID-E", "DP-9", 900, 0, 100, 100};
    const auto broken = home.picture(kOddName, {200, 30, 30});
    home.write("bin/swaymsg.status", "2");
    for (const auto& [display, picture] :
         {std::pair{elsewhere, odd}, {kLeft, broken}, {kLeft, odd}}) {
        test::LogCapture log;
        EXPECT_FALSE(backend.show({{display, picture, std::nullopt}}));
        expectOneFailureLine(log, "sway");
    }
    // No output for a display, or a line break, stops the run before anything changes.
    EXPECT_EQ(home.calls("swaymsg").size(), 18u);
}

// dbus-send prints the shell's answer between quotes after a header line.
TEST(PlasmaBackend, EachDesktopGetsItsScreensPictureAndARefusedScriptFails) {
    BackendHome home;
    home.tool("dbus-send", "printf 'method return time=1 sender=:1.1 -> destination=:1.2 serial=3 "
                           "reply_serial=2\\n   string \"%s\"\\n' \"$(cat \"$0.answer\")\"\n");
    const auto red = home.picture(kOddName, {200, 30, 30});
    const auto blue = home.picture("blue.png", {20, 30, 220});
    const AgentDisplay third{"UUID-T", "DP-3", 480, 0, 100, 100};
    PictureLoader loader;
    PlasmaBackend backend(loader);
    home.write("bin/dbus-send.answer", std::string(kPlasmaScriptDone) + "\n");
    ASSERT_TRUE(backend.show(
        {{kLeft, red, std::nullopt}, {kRight, blue, std::nullopt}, {third, std::nullopt, blue}}));
    const std::string script = home.calls("dbus-send").back();
    ASSERT_TRUE(script.starts_with("string:"));
    EXPECT_NE(script.find("writeConfig(\"FillMode\", 2)"), std::string::npos);

    // The script run by node over stand-in desktops, each [screen, x, y, width, height]: the
    // picture each gets (R, B, or - for none). A desktop on no screen is another activity's.
    // Scaled screens match no display, and the display with the blue picture lacks a desktop.
    for (const auto& [desktops, pictures] :
         {std::pair{"[[1, 320, 0, 160, 100], [0, 0, 0, 320, 200], [2, 480, 0, 100, 100], [-1]]",
                    "BR--"},
          {"[[0, 0, 0, 640, 400], [1, 640, 0, 320, 200], [-1]]", "RRR"},
          {"[[0, 0, 0, 320, 200], [2, 480, 0, 100, 100]]", "RR"}}) {
        if (!toolInstalled("node"))
            break;
        home.write("run.js", "var cases = " + std::string(desktops) +
                                 R"js(, images = cases.map(() => '-');
desktops = () => cases.map((c, i) => ({screen: c[0], writeConfig: (k, v) => { if (k == 'Image') images[i] = v; }}));
screenGeometry = s => { var c = cases.find(c => c[0] == s); return {x: c[1], y: c[2], width: c[3], height: c[4]}; };
print = () => {};
)js" + script.substr(7) + "\nconsole.log(JSON.stringify(images));\n");
        const auto out =
            programOutput({"node", (home.root() / "run.js").string()}, std::chrono::seconds(60));
        ASSERT_TRUE(out) << desktops;
        std::string got;
        for (const auto& url : nlohmann::json::parse(*out))
            got += url == red.absoluteString() ? 'R' : url == blue.absoluteString() ? 'B' : '-';
        EXPECT_EQ(got, pictures) << desktops;
    }

    // A script that threw, and a shell that is not there.
    for (const auto& [answer, status] : {std::pair{"TypeError: x is undefined", "0"}, {"", "1"}}) {
        home.write("bin/dbus-send.answer", answer);
        home.write("bin/dbus-send.status", status);
        test::LogCapture log;
        EXPECT_FALSE(backend.show({{kLeft, red, std::nullopt}}));
        expectOneFailureLine(log, "KDE Plasma");
    }
}

} // namespace
} // namespace ks
