// The wallpaper agent on a real X server: what its x11-root backend leaves on each output,
// read back from the root window.

#include "agent_support.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <map>

namespace ks::e2e {
namespace {

constexpr Rgb kOrange{230, 120, 20};
constexpr Rgb kBlue{30, 60, 200};
constexpr Rgb kMagenta{220, 30, 200};
constexpr Rgb kGreen{40, 200, 60};
constexpr Rgb kGrey{128, 128, 128};

class AgentX11RootTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        if (!XorgDisplay::available(&reason))
            GTEST_SKIP() << reason;
        ASSERT_TRUE(m_x.start(&reason)) << reason;
        // A 4:3 picture on 16:9 outputs: filling them cuts its top and bottom and keeps its
        // whole width.
        m_cropped = m_x.root() / "pictures" / "cropped.png";
        ASSERT_TRUE(writeCropPicture(m_cropped, {1200, 900, kBlue, kMagenta, 100, kGreen, 60}));
        m_plain = m_x.root() / "pictures" / "plain.jpg";
        ASSERT_TRUE(writeSolidPicture(m_plain, 800, 600, kOrange));
    }

    ProcessResult agent(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), KESTRANE_AGENT_PATH);
        return m_x.run(arguments);
    }

    // Output name to display UUID, as the agent lists them.
    std::map<std::string, std::string> listDisplays() {
        const auto listed = agent({"--list-displays"});
        EXPECT_EQ(listed.status, 0) << listed.err;
        const auto displays = parseDisplayListing(listed.out);
        EXPECT_TRUE(displays) << listed.out;
        std::map<std::string, std::string> uuids;
        for (const auto& display : displays.value_or(std::vector<AgentDisplay>{})) {
            const auto shown = m_x.output(display.output);
            EXPECT_TRUE(shown && shown->active) << display.output;
            if (shown) {
                EXPECT_EQ(display.geometry,
                          std::to_string(shown->width) + "x" + std::to_string(shown->height) + "+" +
                              std::to_string(shown->x) + "+" + std::to_string(shown->y));
            }
            uuids[display.output] = display.uuid;
        }
        return uuids;
    }

    void apply(const std::filesystem::path& primary, const DisplayList& displays) {
        ASSERT_TRUE(writeAgentStore(agentStorePath(m_x), fileUrl(primary), displays));
        const auto applied = agent({"--backend", "x11-root"});
        ASSERT_EQ(applied.status, 0) << applied.err;
    }

    Rgb at(const Output& output, int x, int y) {
        return m_x.rootPixel(output.x + x, output.y + y).value_or(Rgb{-1, -1, -1});
    }

    void expectShowsPlain(const std::string& name) {
        SCOPED_TRACE(name);
        const auto output = m_x.output(name);
        ASSERT_TRUE(output && output->active);
        for (auto [x, y] : {std::pair{960, 540}, {4, 4}, {1915, 1075}})
            EXPECT_TRUE(at(*output, x, y).near(kOrange)) << at(*output, x, y);
    }

    // Filled, not stretched (the bands would show at the top) nor fitted (the left strip
    // would sit inside a border).
    void expectShowsCropped(const std::string& name) {
        SCOPED_TRACE(name);
        const auto output = m_x.output(name);
        ASSERT_TRUE(output && output->active);
        EXPECT_TRUE(at(*output, 960, 540).near(kBlue)) << at(*output, 960, 540);
        EXPECT_TRUE(at(*output, 960, 3).near(kBlue)) << at(*output, 960, 3);
        EXPECT_TRUE(at(*output, 960, 1076).near(kBlue)) << at(*output, 960, 1076);
        EXPECT_TRUE(at(*output, 20, 540).near(kGreen)) << at(*output, 20, 540);
        EXPECT_TRUE(at(*output, 1915, 540).near(kBlue)) << at(*output, 1915, 540);
    }

    XorgDisplay m_x;
    std::filesystem::path m_cropped;
    std::filesystem::path m_plain;
};

TEST_F(AgentX11RootTest, OnePictureEverywhereThenOnePerDisplay) {
    auto uuids = listDisplays();
    ASSERT_EQ(uuids.size(), 2u);
    ASSERT_NE(uuids["DUMMY0"], uuids["DUMMY1"]);

    apply(m_cropped, {});
    expectShowsCropped("DUMMY0");
    expectShowsCropped("DUMMY1");

    apply(m_plain, {{uuids["DUMMY0"], fileUrl(m_plain)}, {uuids["DUMMY1"], fileUrl(m_cropped)}});
    expectShowsPlain("DUMMY0");
    expectShowsCropped("DUMMY1");

    // The pixmap stays for other clients to read after the agent has gone.
    const auto pixmap = m_x.rootPixmapProperty();
    ASSERT_TRUE(pixmap);
    EXPECT_TRUE(m_x.drawableExists(*pixmap));
}

TEST_F(AgentX11RootTest, OutputSwitchedOffAndOnGetsItsPictureBack) {
    auto uuids = listDisplays();
    ASSERT_EQ(uuids.size(), 2u);
    const DisplayList request{{uuids["DUMMY0"], fileUrl(m_plain)},
                              {uuids["DUMMY1"], fileUrl(m_cropped)}};
    apply(m_plain, request);

    std::string error;
    ASSERT_TRUE(m_x.setOutputEnabled("DUMMY1", false, &error)) << error;
    // A store naming a display that is not attached is no reason to reject it.
    apply(m_plain, request);
    expectShowsPlain("DUMMY0");
    EXPECT_EQ(listDisplays(), (std::map<std::string, std::string>{{"DUMMY0", uuids["DUMMY0"]}}));

    ASSERT_TRUE(m_x.setOutputEnabled("DUMMY1", true, &error)) << error;
    EXPECT_EQ(listDisplays(), uuids);
    // Whatever the server shows on the returning output, it is not the agent's doing.
    ASSERT_TRUE(m_x.paintRoot(kGrey));
    apply(m_plain, request);
    expectShowsPlain("DUMMY0");
    expectShowsCropped("DUMMY1");
}

} // namespace
} // namespace ks::e2e
