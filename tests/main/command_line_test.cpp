#include "main/command_line.h"
#include "main/pack_list_printer.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

TEST(CommandLine, RecognisesEachOptionAnywhereAndOnlyExactly) {
    const auto all = CommandLine::parse(
        {"--welcome", "-x", "--settings", "--login-status", "--enable-login", "--list-packs"});
    EXPECT_TRUE(all.listPacks && all.enableLogin && all.loginStatus && all.settings && all.welcome);

    const auto nearMisses = CommandLine::parse(
        {"--LIST-PACKS", "--list-packs=1", "-list-packs", "list-packs", "--settings ", ""});
    EXPECT_FALSE(nearMisses.listPacks || nearMisses.enableLogin || nearMisses.loginStatus ||
                 nearMisses.settings || nearMisses.welcome);

    // The program's own name is not an option, whatever it is called.
    char name[] = "--list-packs";
    char option[] = "--welcome";
    char* argv[] = {name, option, nullptr};
    const auto fromMain = CommandLine::parse(2, argv);
    EXPECT_FALSE(fromMain.listPacks);
    EXPECT_TRUE(fromMain.welcome);
}

TEST(CommandLine, LoginLines) {
    EXPECT_EQ(enableLoginLine(LoginItemResult::success()), "launch at login: registered");
    EXPECT_EQ(enableLoginLine(LoginItemResult::failure("disk full")),
              "launch at login registration failed: disk full");
    EXPECT_EQ(loginStatusLine(1), "launch at login status: enabled");
    EXPECT_EQ(loginStatusLine(0), "launch at login status: not enabled (raw 0)");
    EXPECT_EQ(loginStatusLine(3), "launch at login status: not enabled (raw 3)");
    EXPECT_EQ(loginStatusLine(-2), "launch at login status: not enabled (raw -2)");
}

Pack makePack(std::string id, std::string name, bool variants, int count) {
    Pack pack{std::move(id), std::move(name), {}, variants, std::nullopt};
    for (int i = 0; i < count; ++i)
        pack.wallpapers.push_back(
            {pack.id, "w" + std::to_string(i) + ".jpg", Variant::neutral, "b" + std::to_string(i)});
    return pack;
}

TEST(PackList, OneLinePerPackInOrderThenTheTotals) {
    const auto lines = packListLines({makePack("mountains", "Mountains", true, 12),
                                      makePack("forest", "Forest", false, 1),
                                      makePack("empty", "Nothing Yet", false, 0)});
    const std::vector<std::string> expected{
        "Mountains [light/dark]: 12 wallpapers (mountains)",
        "Forest: 1 wallpapers (forest)",
        "Nothing Yet: 0 wallpapers (empty)",
        "total: 3 packs, 13 wallpapers",
    };
    EXPECT_EQ(lines, expected);
}

TEST(PackList, EmptyLibraryPrintsOnlyZeroTotals) {
    EXPECT_EQ(packListLines({}), std::vector<std::string>{"total: 0 packs, 0 wallpapers"});
}

} // namespace
} // namespace ks
