// The wallpaper agent on a real X server: what its x11-root backend leaves on each output,
// read back from the root window.

#include "agent_support.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace ks::e2e {
namespace {

constexpr Rgb kOrange{230, 120, 20};
constexpr Rgb kBlue{30, 60, 200};
constexpr Rgb kMagenta{220, 30, 200};
constexpr Rgb kGreen{40, 200, 60};

TEST(AgentX11RootTest, OnePictureEverywhereThenOnePerDisplayThroughAnOutputOffAndOn) {
    std::string error;
    if (!XorgDisplay::available(&error))
        GTEST_SKIP() << error;
    XorgDisplay x;
    ASSERT_TRUE(x.start(&error)) << error;
    // A 4:3 picture on 16:9 outputs: filling them cuts its top and bottom and keeps its width.
    const auto cropped = x.root() / "pictures" / "cropped.png";
    const auto plain = x.root() / "pictures" / "plain.jpg";
    ASSERT_TRUE(writeCropPicture(cropped, kBlue, kMagenta, kGreen));
    ASSERT_TRUE(writeSolidPicture(plain, 800, 600, kOrange));

    // Output name to display UUID as the agent lists them, each with the server's geometry.
    const auto listDisplays = [&] {
        const auto listed = x.run({KESTRANE_AGENT_PATH, "--list-displays"});
        EXPECT_EQ(listed.status, 0) << listed.err;
        const auto displays = parseDisplayListing(listed.out);
        EXPECT_TRUE(displays) << listed.out;
        std::map<std::string, std::string> uuids;
        for (const auto& display : displays.value_or(std::vector<AgentDisplay>{})) {
            const auto o = x.output(display.output).value_or(Output{});
            EXPECT_EQ(display.geometry, std::to_string(o.width) + "x" + std::to_string(o.height) +
                                            "+" + std::to_string(o.x) + "+" + std::to_string(o.y));
            uuids[display.output] = display.uuid;
        }
        return uuids;
    };
    const auto apply = [&](const std::filesystem::path& primary, const DisplayList& displays) {
        ASSERT_TRUE(writeAgentStore(agentStorePath(x), fileUrl(primary), displays));
        const auto applied = x.run({KESTRANE_AGENT_PATH, "--backend", "x11-root"});
        ASSERT_EQ(applied.status, 0) << applied.err;
    };
    // The cropped picture filled, not stretched (the bands would show at the top) nor fitted
    // (the left strip would sit inside a border).
    using Probes = std::vector<std::tuple<int, int, Rgb>>;
    const Probes showsPlain{{960, 540, kOrange}, {4, 4, kOrange}, {1915, 1075, kOrange}};
    const Probes showsCropped{{960, 540, kBlue},
                              {960, 3, kBlue},
                              {960, 1076, kBlue},
                              {20, 540, kGreen},
                              {1915, 540, kBlue}};
    const auto expectShows = [&](const std::string& name, const Probes& probes) {
        const auto o = x.output(name);
        ASSERT_TRUE(o && o->active) << name;
        for (const auto& [dx, dy, colour] : probes) {
            const auto pixel = x.rootPixel(o->x + dx, o->y + dy);
            EXPECT_TRUE(pixel && pixel->near(colour))
                << name << " at " << dx << "," << dy << ": " << pixel.value_or(Rgb{-1, -1, -1});
        }
    };

    auto uuids = listDisplays();
    ASSERT_EQ(uuids.size(), 2u);
    ASSERT_NE(uuids["DUMMY0"], uuids["DUMMY1"]);
    apply(cropped, {});
    expectShows("DUMMY0", showsCropped);
    expectShows("DUMMY1", showsCropped);

    const DisplayList request{{uuids["DUMMY0"], fileUrl(plain)},
                              {uuids["DUMMY1"], fileUrl(cropped)}};
    apply(plain, request);
    expectShows("DUMMY0", showsPlain);
    expectShows("DUMMY1", showsCropped);
    // The pixmap stays for other clients to read after the agent has gone.
    const auto pixmap = x.rootPixmapProperty();
    ASSERT_TRUE(pixmap);
    EXPECT_TRUE(x.drawableExists(*pixmap));

    // A store naming a display that is not attached is no reason to reject it.
    ASSERT_TRUE(x.setOutputEnabled("DUMMY1", false, &error)) << error;
    apply(plain, request);
    expectShows("DUMMY0", showsPlain);
    EXPECT_EQ(listDisplays(), (std::map<std::string, std::string>{{"DUMMY0", uuids["DUMMY0"]}}));

    ASSERT_TRUE(x.setOutputEnabled("DUMMY1", true, &error)) << error;
    EXPECT_EQ(listDisplays(), uuids);
    // Whatever the server shows on the returning output, it is not the agent's doing.
    ASSERT_TRUE(x.paintRoot({128, 128, 128}));
    apply(plain, request);
    expectShows("DUMMY0", showsPlain);
    expectShows("DUMMY1", showsCropped);
}

} // namespace
} // namespace ks::e2e
