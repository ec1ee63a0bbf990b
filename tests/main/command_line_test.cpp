#include "main/command_line.h"
#include "main/pack_list_printer.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

TEST(CommandLine, RecognisesEachOptionAnywhereAndOnlyExactly) {
    const auto all = CommandLine::parse(
        {"--welcome", "-x", "--settings", "--login-status", "--enable-login", "--list-packs"});
    EXPECT_TRUE(all.listPacks && all.enableLogin && all.loginStatus && all.settings && all.welcome);
    EXPECT_TRUE(all.requests.empty());
    EXPECT_EQ(CommandLine::parse({"--pause", "--Next", "--status", "--next", "next"}).requests,
              (std::vector<std::string>{"pause", "status", "next"}))
        << "requests in the order given";
    const auto nearMisses = CommandLine::parse(
        {"--LIST-PACKS", "--list-packs=1", "-list-packs", "list-packs", "--settings ", ""});
    EXPECT_FALSE(nearMisses.listPacks || nearMisses.enableLogin || nearMisses.loginStatus ||
                 nearMisses.settings || nearMisses.welcome);

    // The program's own name is not an option, whatever it is called.
    char name[] = "--list-packs";
    char option[] = "--welcome";
    char* argv[] = {name, option, nullptr};
    const auto fromMain = CommandLine::parse(2, argv);
    EXPECT_TRUE(!fromMain.listPacks && fromMain.welcome);
}

TEST(CommandLine, LoginLinesAndPackList) {
    EXPECT_EQ(enableLoginLine(LoginItemResult::success()), "launch at login: registered");
    EXPECT_EQ(enableLoginLine(LoginItemResult::failure("disk full")),
              "launch at login registration failed: disk full");
    EXPECT_EQ(loginStatusLine(1), "launch at login status: enabled");
    for (int raw : {0, 3, -2})
        EXPECT_EQ(loginStatusLine(raw),
                  "launch at login status: not enabled (raw " + std::to_string(raw) + ")");

    const auto pack = [](std::string id, std::string name, bool variants, int count) {
        Pack made{id, std::move(name), {}, variants, std::nullopt};
        for (int i = 0; i < count; ++i)
            made.wallpapers.push_back({id, std::to_string(i) + ".jpg", Variant::neutral, "b"});
        return made;
    };
    EXPECT_EQ(
        packListLines({pack("mountains", "Mountains", true, 12), pack("forest", "Forest", false, 1),
                       pack("empty", "Nothing Yet", false, 0)}),
        (std::vector<std::string>{
            "Mountains [light/dark]: 12 wallpapers (mountains)", "Forest: 1 wallpapers (forest)",
            "Nothing Yet: 0 wallpapers (empty)", "total: 3 packs, 13 wallpapers"}));
    EXPECT_EQ(packListLines({}), std::vector<std::string>{"total: 0 packs, 0 wallpapers"});
}

} // namespace
} // namespace ks
