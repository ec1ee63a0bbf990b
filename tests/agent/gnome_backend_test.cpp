#include "agent/agent_state.h"
#include "agent/gnome_backend.h"
#include "agent_test_support.h"
#include "library/decode_image.h"
#include "main/app_process.h"
#include "platform/linux/agent_process.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

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
        if (at == std::string::npos)
            return {};
        const auto start = at + key.size() + 2;
        return text.substr(start, text.find('\n', start) - start);
    }

    std::vector<std::filesystem::path> spannedFiles() const {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(agentDataDir(), error))
            if (entry.path().filename().string().starts_with("spanned-"))
                files.push_back(entry.path());
        return files;
    }

    test::AgentHome m_home;
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
    PictureLoader loader;
    GnomeBackend backend(loader, agentDataDir());
    const auto picture = m_home.picture("red.png", {220, 20, 30});
    EXPECT_FALSE(backend.show({{kLeft, picture, std::nullopt}}));
}

TEST_F(GnomeBackendTest, DifferentPicturesSpanOnePictureAcrossTheDisplays) {
    const auto red = m_home.picture("red.png", {220, 20, 30});
    const auto blue = m_home.picture("blue.png", {20, 30, 220});
    PictureLoader loader;
    GnomeBackend backend(loader, agentDataDir());
    ASSERT_TRUE(backend.show({{kLeft, red, std::nullopt}, {kRight, blue, std::nullopt}}));
    EXPECT_EQ(setting("picture-options"), "'spanned'");
    const auto files = spannedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(setting("picture-uri"), "'" + FileUrl::fromPath(files[0])->absoluteString() + "'");
    const auto composed = decodeImage(*readWholeFile(files[0]), 1000);
    ASSERT_TRUE(composed);
    EXPECT_EQ(std::pair(composed->width, composed->height), std::pair(480, 200));
    const auto at = [&](int x, int y) {
        const auto* p = composed->pixels.get() + y * composed->stride() + x * 4;
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(at(5, 195), (std::array{220, 20, 30}));
    EXPECT_EQ(at(475, 5), (std::array{20, 30, 220}));
    // Below the smaller display nothing is shown.
    EXPECT_EQ(at(400, 150), (std::array{0, 0, 0}));

    // One display changes, the other keeps its picture; the old composition goes.
    const auto green = m_home.picture("green.png", {30, 200, 40});
    ASSERT_TRUE(backend.show({{kLeft, std::nullopt, red}, {kRight, green, blue}}));
    ASSERT_EQ(spannedFiles().size(), 1u);
    const auto recomposed = decodeImage(*readWholeFile(spannedFiles()[0]), 1000);
    ASSERT_TRUE(recomposed);
    const auto* right = recomposed->pixels.get() + 5 * recomposed->stride() + 475 * 4;
    EXPECT_EQ((std::array<int, 3>{right[0], right[1], right[2]}), (std::array{30, 200, 40}));

    // The same picture everywhere again needs no composition.
    ASSERT_TRUE(backend.show({{kLeft, green, red}, {kRight, green, green}}));
    EXPECT_EQ(setting("picture-options"), "'zoom'");
    EXPECT_TRUE(spannedFiles().empty());
}

} // namespace
} // namespace ks
