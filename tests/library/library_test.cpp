#include "library/image_source.h"
#include "library/library.h"
#include "library/library_index.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unordered_set>

namespace ks {
namespace {

using testing::ElementsAre;

constexpr const char* kUnreadable = "Library: could not read the embedded wallpaper library";

Wallpaper wp(std::string pack, std::string file, Variant variant = Variant::neutral) {
    return {std::move(pack), std::move(file), variant, "blob-" + file};
}

std::vector<Pack> samplePacks() {
    return {{"alps", "Alps", {wp("alps", "Peak-3.jpg"), wp("alps", "Lake.jpg")}, false, {}},
            {"sea", "Sea", {wp("sea", "Wave.jpg", Variant::dark)}, true, {}},
            {"alps", "Alps again", {wp("alps", "Peak-3.jpg", Variant::light)}, false, {}}};
}

class LibraryTest : public testing::Test {
protected:
    void writeIndex(std::string_view text) {
        std::filesystem::create_directories(m_resources / "wp");
        std::ofstream(m_resources / "wp" / "index.dat", std::ios::binary) << text;
    }
    Library libraryHere() {
        return Library([dir = m_resources] { return std::optional(dir); });
    }

    test::TempHome m_home;
    std::filesystem::path m_resources = m_home.root() / "resources";
    test::LogCapture m_log;
};

TEST_F(LibraryTest, IsEmptyUntilScannedThenLooksUpByExactKeyFirstMatchFirst) {
    writeIndex(serializeLibraryIndex(samplePacks()));
    m_home.setVar("KESTRANE_RESOURCES", m_resources);
    Library library;
    EXPECT_TRUE(library.packs().empty());
    library.rescan();
    EXPECT_EQ(library.packs(), samplePacks());
    EXPECT_TRUE(m_log.lines().empty());

    std::vector<std::string> keys;
    for (const auto& w : library.allWallpapers())
        keys.push_back(w.key());
    EXPECT_THAT(keys,
                ElementsAre("alps/Peak-3.jpg", "alps/Lake.jpg", "sea/Wave.jpg", "alps/Peak-3.jpg"));
    EXPECT_EQ(library.wallpaper("alps/Peak-3.jpg"), wp("alps", "Peak-3.jpg"));
    EXPECT_EQ(library.pack("alps")->displayName, "Alps");
    for (const char* key : {"alps/peak-3.jpg", "alps/"})
        EXPECT_EQ(library.wallpaper(key), std::nullopt) << key;
    for (const char* id : {"Alps", ""})
        EXPECT_EQ(library.pack(id), std::nullopt) << id;
}

TEST_F(LibraryTest, EveryFailureLogsOnceAndEmptiesThePacks) {
    const std::vector<std::function<void(Library&)>> failures{
        [&](Library&) {
            writeIndex(R"({"packs": [{"id": "a", "displayName": "A", "wallpapers": []}]})");
        },
        [&](Library&) { writeIndex("not json"); },
        [&](Library&) { std::filesystem::remove(m_resources / "wp" / "index.dat"); },
        [&](Library& library) { library = Library([] { return std::nullopt; }); },
        [&](Library& library) {
            m_home.setVar("KESTRANE_RESOURCES", m_home.root() / "nowhere");
            library = Library();
        }};
    for (std::size_t i = 0; i < failures.size(); ++i) {
        writeIndex(serializeLibraryIndex(samplePacks()));
        Library library = libraryHere();
        library.rescan();
        ASSERT_EQ(library.packs().size(), 3u);
        const auto before = m_log.lines().size();

        failures[i](library);
        library.rescan();
        EXPECT_TRUE(library.packs().empty()) << i;
        const auto lines = m_log.lines();
        ASSERT_EQ(lines.size(), before + 1) << i;
        EXPECT_EQ(lines.back(), kUnreadable);
    }
}

TEST(PackCover, NamedWallpaperElseFirstElseNone) {
    Pack pack{"p",
              "P",
              {wp("p", "a.jpg"), wp("p", "b.jpg"), wp("p", "b.jpg", Variant::dark)},
              false,
              "b.jpg"};
    EXPECT_EQ(pack.cover(), wp("p", "b.jpg"));
    pack.coverFileName = "B.jpg";
    EXPECT_EQ(pack.cover(), wp("p", "a.jpg"));
    pack.coverFileName.reset();
    EXPECT_EQ(pack.cover(), wp("p", "a.jpg"));
    pack.wallpapers.clear();
    pack.coverFileName = "a.jpg";
    EXPECT_EQ(pack.cover(), std::nullopt);
}

TEST(CatalogueValues, EveryFieldCountsAndImageSourcesAreKeyedByWallpaperKeyOrPath) {
    const Wallpaper base = wp("p", "a.jpg", Variant::dark);
    Wallpaper light = base, elsewhere = base;
    light.variant = Variant::light;
    elsewhere.blob = "elsewhere";
    EXPECT_EQ(
        (std::unordered_set<Wallpaper>{base, wp("p", "a.jpg", Variant::dark), light, elsewhere}
             .size()),
        3u);

    const auto fromWallpaper = ImageSource::wallpaper(wp("alps", "Peak-3.jpg"));
    const auto fromAsset = ImageSource::asset("/usr/share/x/AllPacks.jpg");
    EXPECT_EQ(fromWallpaper.cacheKey(), "alps/Peak-3.jpg");
    EXPECT_EQ(fromAsset.cacheKey(), "/usr/share/x/AllPacks.jpg");
    std::unordered_set<ImageSource> set{fromWallpaper, fromAsset,
                                        ImageSource::wallpaper(wp("alps", "Peak-3.jpg")),
                                        ImageSource::asset("/usr/share/y/AllPacks.jpg")};
    EXPECT_EQ(set.size(), 3u);
    // A path that spells a wallpaper's key is still a different source.
    EXPECT_NE(ImageSource::asset("alps/Peak-3.jpg"), fromWallpaper);
}

} // namespace
} // namespace ks
