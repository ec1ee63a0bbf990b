// The demo library rendered by the build: what the application and the pack server get.

#include "base/file_io.h"
#include "library/decode_image.h"
#include "library/library.h"
#include "library/pack_archive.h"
#include "library/vault.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;
using namespace ks;

namespace {

Library bundledLibrary() {
    Library library([] { return std::optional(fs::path(KESTRANE_BUILD_RESOURCES)); });
    library.rescan();
    return library;
}

} // namespace

TEST(BundledLibrary, HasEnoughPacksWallpapersVariantsAndFormats) {
    const auto library = bundledLibrary();
    EXPECT_GE(library.packs().size(), 6u);
    EXPECT_GE(library.allWallpapers().size(), 40u);
    int withVariants = 0;
    std::set<std::string> extensions;
    bool flipName = false;
    for (const auto& pack : library.packs()) {
        withVariants += pack.hasVariants;
        EXPECT_TRUE(pack.cover()) << pack.id;
        for (const auto& w : pack.wallpapers) {
            extensions.insert(fs::path(w.fileName).extension().string());
            flipName |= w.fileName.find("flip") != std::string::npos;
        }
    }
    EXPECT_GE(withVariants, 3);
    EXPECT_TRUE(flipName);
    EXPECT_TRUE(extensions.count(".png"));
    EXPECT_TRUE(extensions.count(".webp") || extensions.count(".heic"));
    EXPECT_TRUE(fs::exists(fs::path(KESTRANE_BUILD_RESOURCES) / "MenuIcon.png"));
    EXPECT_TRUE(fs::exists(fs::path(KESTRANE_BUILD_RESOURCES) / "MenuIcon@2x.png"));
    EXPECT_TRUE(
        decodeImage(ImageSource::asset(fs::path(KESTRANE_BUILD_RESOURCES) / "AllPacks.jpg"), 320));
}

// Shipped packs' pictures decode at full HD or more; every other pack has an archive on the
// pack server holding exactly its blobs, in order, each a picture.
TEST(BundledLibrary, EveryPackIsShippedOrArchivedAndEveryPictureDecodes) {
    test::TempHome home; // no downloaded packs: only shipped blobs count
    home.setVar("KESTRANE_RESOURCES", KESTRANE_BUILD_RESOURCES);
    int shipped = 0, archived = 0;
    const auto library = bundledLibrary();
    for (const auto& pack : library.packs()) {
        const auto archivePath = fs::path(KESTRANE_BUILD_PACKSERVER) / Vault::archiveName(pack.id);
        if (pack.wallpapers.front().blobURL()) {
            EXPECT_FALSE(fs::exists(archivePath)) << pack.id;
            for (const auto& w : pack.wallpapers) {
                ++shipped;
                const auto image = decodeImage(ImageSource::wallpaper(w), 10000);
                ASSERT_TRUE(image) << w.key();
                EXPECT_TRUE(image->width >= 1920 && image->height >= 1080) << w.key();
            }
            continue;
        }
        ++archived;
        const auto entries = PackArchive::unpack(readWholeFile(archivePath).value_or(Bytes{}));
        ASSERT_TRUE(entries) << pack.id;
        ASSERT_EQ(entries->size(), pack.wallpapers.size());
        for (std::size_t i = 0; i < entries->size(); ++i) {
            EXPECT_EQ((*entries)[i].name, pack.wallpapers[i].blob);
            EXPECT_TRUE(decodeImage((*entries)[i].data, 320)) << pack.wallpapers[i].key();
        }
    }
    EXPECT_GE(shipped, 20);
    EXPECT_GE(archived, 3);
}
