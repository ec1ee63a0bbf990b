#include "base/file_io.h"
#include "engine/presentation_controller.h"
#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "library/test_images.h"
#include "library_writer.h"
#include "settings/settings_store.h"
#include "support/log_capture.h"
#include "support/platform_fakes.h"
#include "support/temp_home.h"
#include "support/test_environment.h"

#include <fstream>
#include <gtest/gtest.h>

namespace ks::test {
namespace {

namespace fs = std::filesystem;

// Solid colours, one per picture, so a cover's picture tells which wallpaper it is.
const std::vector<std::vector<double>> kColours{{200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

Bytes picture(const std::vector<double>& colour, int width = 400, int height = 300) {
    return encode(solid(width, height, colour), ".png");
}

std::vector<std::uint8_t> rgbOf(const Image& image) {
    return {image.pixels[0], image.pixels[1], image.pixels[2]};
}

// The real engine and presentation over a library of three pictures a/1.png..a/3.png, in
// virtual time, with fake displays, covers and writer.
class PresentationTest : public testing::Test {
protected:
    PresentationTest() {
        m_home.setVar("KESTRANE_RESOURCES", m_home.root() / "resources");
        tools::SourcePack pack{"a", "A", false, {}, {}, true};
        for (std::size_t i = 0; i < kColours.size(); ++i)
            pack.pictures.push_back(
                {std::to_string(i + 1) + ".png", Variant::neutral, picture(kColours[i])});
        EXPECT_TRUE(
            tools::writeLibrary({pack}, m_home.root() / "resources", m_home.root() / "server")
                .ok());
        library.rescan();
        settings.setShuffle(false);
        screens.list = FakeScreens::row({{200, 100}, {300, 150}});
    }

    WallpaperEngine& engine() {
        if (!m_engine) {
            presentation = PresentationController::create(
                {env.loop, env.queue("render"), env.queue("utility"), settings, screens, covers,
                 pictures, writer, m_home.dataHome() / "cache"});
            EngineDependencies deps{library, settings, env.loop, center, *presentation, appearance};
            deps.seed = 1;
            m_engine = WallpaperEngine::create(std::move(deps));
        }
        return *m_engine;
    }
    // Starts the engine and runs the first change up to its change step.
    void startAndApply() {
        engine().start();
        env.advance(Seconds(0.1));
    }
    std::set<std::string> cacheFiles() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_home.dataHome() / "cache"))
            names.insert(entry.path().filename().string());
        return names;
    }
    // Seconds until the first cover comes down, in steps of 10 ms; -1 when it stays up.
    double secondsUntilUncovered(double limit = 20) {
        for (double t = 0; t < limit; t += 0.01) {
            if (!covers.made.front()->visible)
                return t;
            env.advance(Seconds(0.01));
        }
        return -1;
    }
    // A fresh engine and presentation over the same settings, as after a restart.
    void relaunch() {
        m_engine.reset();
        presentation.reset();
        covers.made.clear();
        writer.requests.clear();
    }
    fs::path blobOf(int n) const {
        return m_home.root() / "resources" / "wp" /
               library.pack("a")->wallpapers[static_cast<std::size_t>(n)].blob;
    }

    TempHome m_home;
    TestEnvironment env;
    NotificationCenter center;
    UserDefaults defaults{m_home.configHome() / "settings.plist", env.loop};
    SettingsStore settings{defaults, center};
    Library library;
    FakeScreens screens;
    FakeCoverWindows covers;
    FakeDesktopPictures pictures;
    FakeWallpaperSetter writer;
    FakeAppearance appearance;
    std::shared_ptr<PresentationController> presentation;

private:
    std::shared_ptr<WallpaperEngine> m_engine;
};

TEST_F(PresentationTest, OneWallpaperEverywhereIsDecodedOnceAtTheLargerDisplaysSize) {
    startAndApply();
    ASSERT_EQ(writer.requests.size(), 1u);
    EXPECT_TRUE(writer.requests[0].perDisplay.empty());
    EXPECT_EQ(writer.requests[0].primary.path().filename(), cacheFiles().begin()->c_str());
    EXPECT_EQ(cacheFiles().size(), 1u);
    const Image& left = covers.made[0]->shown.back().image;
    const Image& right = covers.made[1]->shown.back().image;
    EXPECT_EQ(left.pixels, right.pixels) << "one decode serves both displays";
    EXPECT_EQ(left.width, 300);
    EXPECT_EQ(covers.made[0]->shown.back().fade, 1.5);
    ASSERT_TRUE(engine().currentThumbnail());
    EXPECT_EQ(engine().currentThumbnail()->width, 400) << "the thumbnail is never enlarged";
}

TEST_F(PresentationTest, PerDisplayWallpapersGoToTheirDisplaysAndTheCacheKeepsExactlyThem) {
    struct Case {
        int displays;
        std::size_t pairs;
    };
    for (const Case c : {Case{1, 0}, Case{3, 3}}) {
        SCOPED_TRACE(c.displays);
        settings.setPerDisplayWallpapers(true);
        screens.list = FakeScreens::row(std::vector(c.displays, std::pair{200, 100}));
        fs::create_directories(m_home.dataHome() / "cache");
        const fs::path outside = m_home.root() / "mine.png";
        std::ofstream(outside) << "the user's own file";
        fs::create_symlink(outside, m_home.dataHome() / "cache" / "link");
        std::ofstream(m_home.dataHome() / "cache" / ".stray") << "x";

        engine().start();
        env.advance(Seconds(3));
        ASSERT_EQ(writer.requests.size(), 1u);
        const auto& list = writer.requests[0].perDisplay;
        ASSERT_EQ(list.size(), c.pairs);
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].display.name, "D" + std::to_string(i));
            EXPECT_EQ(rgbOf(covers.made[i]->shown.back().image)[i % 3], 200);
        }
        EXPECT_EQ(cacheFiles().size(), std::max<std::size_t>(c.pairs, 1));
        EXPECT_TRUE(fs::exists(outside)) << "a link is removed, never followed";
        relaunch();
        fs::remove_all(m_home.dataHome() / "cache");
    }
}

TEST_F(PresentationTest, CoversStayUpForTheHoldAfterTheChangeStep) {
    struct Case {
        double fade;
        double reapplyAt; // negative: none
        double expected;
    };
    for (const Case c : {Case{0, -1, 2.05}, Case{8, -1, 8.55}, Case{1.5, 1.9, 3.45}}) {
        SCOPED_TRACE(c.fade);
        relaunch();
        settings.setCrossfadeSeconds(c.fade);
        startAndApply();
        EXPECT_EQ(covers.made[0]->shown.back().fade, c.fade);
        double elapsed = 0;
        if (c.reapplyAt >= 0) {
            env.advance(Seconds(c.reapplyAt));
            presentation->extendCoverHold(Seconds(1.5));
            elapsed = c.reapplyAt;
        }
        EXPECT_NEAR(elapsed + secondsUntilUncovered(), c.expected, 0.015);
        EXPECT_FALSE(covers.made[1]->visible);
    }
}

TEST_F(PresentationTest, AStepDuringAFadeFadesOnFromTheCoversAndOnlyTheNewestChangeUncovers) {
    startAndApply();
    env.advance(Seconds(0.5));
    engine().advance(true);
    env.runUntilIdle();
    EXPECT_EQ(covers.made[0]->raises.size(), 1u) << "a cover still up is not raised again";
    ASSERT_EQ(writer.requests.size(), 2u) << "no cover to raise: the change step comes at once";
    EXPECT_EQ(covers.made[0]->shown.back().fade, 0.75);
    EXPECT_EQ(rgbOf(covers.made[0]->shown.back().image)[1], 200);
    // The first change's hold ends 2.05 s after its step; the second's 2.05 s after its own.
    EXPECT_NEAR(0.5 + secondsUntilUncovered(), 2.55, 0.015);
}

TEST_F(PresentationTest, TheFirstFadeStartsFromTheDesktopPictureWhenItCanBeRead) {
    const fs::path readable = m_home.root() / "desk.png";
    const fs::path broken = m_home.root() / "broken.png";
    std::ofstream(broken) << "not a picture";
    ASSERT_TRUE(replaceFileAtomically(readable, picture({9, 9, 9}, 50, 50)));
    pictures.pictures = {{"D0", readable}, {"D1", broken}};
    startAndApply();
    ASSERT_EQ(covers.made[0]->shown.size(), 2u);
    EXPECT_EQ(rgbOf(covers.made[0]->shown[0].image), (std::vector<std::uint8_t>{9, 9, 9}));
    // Unreadable: the cover starts from the new picture, so no fade is seen there.
    EXPECT_EQ(rgbOf(covers.made[1]->shown[0].image)[0], 200);
    EXPECT_EQ(covers.made[1]->shown[0].fade, 0);
}

TEST_F(PresentationTest, ADisplayWhosePictureIsMissingIsLeftOutAndTheOthersChange) {
    settings.setPerDisplayWallpapers(true);
    startAndApply();
    env.advance(Seconds(3));
    // The blob of what display 1 shows next vanishes after the playlist was made.
    fs::remove(blobOf(2));
    engine().advance(true);
    env.advance(Seconds(3));
    ASSERT_EQ(writer.requests.size(), 2u);
    ASSERT_EQ(writer.requests[1].perDisplay.size(), 1u);
    EXPECT_EQ(writer.requests[1].perDisplay[0].display.name, "D0");
    EXPECT_EQ(covers.made[1]->raises.size(), 1u) << "raised for the first change only";

    // Every display fails: nothing changes at all.
    fs::remove(blobOf(0));
    fs::remove(blobOf(1));
    engine().advance(true);
    env.advance(Seconds(3));
    EXPECT_EQ(writer.requests.size(), 2u);
}

TEST_F(PresentationTest, ACacheFolderWeCannotUseChangesNothingAndTouchesNothingOutside) {
    const fs::path cache = m_home.dataHome() / "cache";
    const fs::path usersFolder = m_home.root() / "Pictures";
    fs::create_directories(usersFolder);
    std::ofstream(usersFolder / "holiday.jpg") << "the user's";
    const std::vector<std::pair<const char*, std::function<void()>>> cases{
        {"a link to the user's folder", [&] { fs::create_directory_symlink(usersFolder, cache); }},
        {"a file", [&] { std::ofstream(cache) << "not a folder"; }},
    };
    for (const auto& [what, make] : cases) {
        SCOPED_TRACE(what);
        relaunch();
        fs::remove_all(cache);
        make();
        LogCapture log;
        startAndApply();
        env.advance(Seconds(5));
        EXPECT_TRUE(writer.requests.empty());
        for (const FakeCover* cover : covers.made)
            EXPECT_FALSE(cover->visible);
        EXPECT_EQ(fs::directory_iterator(usersFolder)->path().filename(), "holiday.jpg");
        EXPECT_EQ(std::distance(fs::directory_iterator(usersFolder), fs::directory_iterator()), 1);
        ASSERT_FALSE(log.lines().empty());
        EXPECT_NE(log.lines().front().find("could not be read or copied into the wallpaper cache"),
                  std::string::npos);
    }
}

TEST_F(PresentationTest, ADisplayUnpluggedDuringAChangeLeavesNoCoverUp) {
    engine().start();
    // The display goes before the render is handed over; the covers follow the new list.
    screens.list = FakeScreens::row({{200, 100}});
    covers.made.clear(); // the old covers go with the rebuild
    presentation->rebuildCovers();
    env.runUntilIdle();
    env.advance(Seconds(0.1));
    ASSERT_EQ(writer.requests.size(), 1u);
    EXPECT_GE(secondsUntilUncovered(), 0);
    for (const FakeCover* cover : covers.made)
        EXPECT_FALSE(cover->visible);
}

TEST_F(PresentationTest, ACleanupNeverTakesTheFileOfANewerChangeStillOnItsWay) {
    engine().start();
    env.runUntilIdle(); // first change handed over; its step waits 0.1 s for the covers
    engine().advance(true);
    // The first change's step and its cleanup come while the second is still to render.
    env.loop.advance(Seconds(0.1));
    ASSERT_EQ(writer.requests.size(), 1u);
    env.runUntilIdle();
    ASSERT_EQ(writer.requests.size(), 2u);
    EXPECT_TRUE(fs::exists(writer.requests[1].primary.path()));
    EXPECT_EQ(cacheFiles(), (std::set{writer.requests[1].primary.path().filename().string()}));
}

TEST_F(PresentationTest, RestoringTheUsersWallpaperWinsOverChangesInFlight) {
    const fs::path mine = m_home.root() / "mine.png";
    ASSERT_TRUE(replaceFileAtomically(mine, picture({7, 7, 7})));
    settings.setOriginalWallpaperPath(mine.string());
    int changes = 0;
    const auto observation = engine().observeCurrent([&] { ++changes; });
    startAndApply();
    env.advance(Seconds(3));

    // During a render: its result is dropped. With the covers up: they come down at once.
    for (const bool coversUp : {false, true}) {
        SCOPED_TRACE(coversUp);
        writer.requests.clear();
        engine().advance(true);
        if (coversUp)
            env.runUntilIdle();
        EXPECT_EQ(covers.made[0]->visible, coversUp);
        EXPECT_TRUE(engine().hasOriginalWallpaper());
        engine().restoreOriginalWallpaper();
        EXPECT_FALSE(covers.made[0]->visible);
        env.advance(Seconds(3));
        ASSERT_EQ(writer.requests.size(), 1u);
        EXPECT_EQ(writer.requests[0].primary.path(), mine);
        EXPECT_TRUE(engine().paused());
        ASSERT_TRUE(engine().currentThumbnail());
        EXPECT_EQ(rgbOf(*engine().currentThumbnail()), (std::vector<std::uint8_t>{7, 7, 7}));
    }
    EXPECT_EQ(changes, 1 + 2 * 2) << "a restore tells twice: at once, and with its thumbnail";
}

TEST_F(PresentationTest, TheUsersWallpaperIsCapturedOnceAndNeverOneOfOurFiles) {
    struct Case {
        std::optional<std::string> desktop; // "cache": one of the cache's own files
        std::optional<std::string> stored;
        std::optional<std::string> expected;
    };
    const std::string cacheFile = (m_home.dataHome() / "cache" / "d0.png").string();
    for (const Case& c : {Case{"/pictures/X.heic", {}, "/pictures/X.heic"}, Case{cacheFile, {}, {}},
                          Case{"/pictures/Y.png", "/old.png", "/old.png"}, Case{{}, {}, {}}}) {
        settings.setOriginalWallpaperPath(c.stored);
        pictures.pictures.clear();
        if (c.desktop)
            pictures.pictures["D0"] = *c.desktop;
        engine().start();
        EXPECT_EQ(settings.originalWallpaperPath(), c.expected) << c.desktop.value_or("none");
        relaunch();
    }
}

TEST(WallpaperFileCacheTest, NamesDependOnlyOnTheKeyWithTheExtensionInLowerCase) {
    const Wallpaper dawn{"p", "Dawn.JPG", Variant::neutral, "b"};
    const std::string name = WallpaperFileCache::fileName(dawn);
    EXPECT_EQ(name.size(), 1 + 20 + 4u);
    EXPECT_EQ(name.front(), 'd');
    EXPECT_TRUE(name.ends_with(".jpg"));
    EXPECT_EQ(name, WallpaperFileCache::fileName({"p", "Dawn.JPG", Variant::dark, "other"}));
    EXPECT_NE(name, WallpaperFileCache::fileName({"q", "Dawn.JPG", Variant::neutral, "b"}));
    EXPECT_TRUE(WallpaperFileCache::fileName({"p", "plain", Variant::neutral, "b"}).ends_with("."));
}

} // namespace
} // namespace ks::test
