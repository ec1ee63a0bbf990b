#include "library/blob_store.h"
#include "library/config.h"
#include "library/decode_image.h"
#include "library/image_source.h"
#include "library/vault.h"
#include "support/temp_home.h"

#include <fstream>
#include <gtest/gtest.h>

namespace ks {
namespace {

namespace fs = std::filesystem;

TEST(Vault, NamesAreShortenedSha256Digests) {
    EXPECT_EQ(Vault::blobName("abc"), "ba7816bf8f01cfea414140de5dae2223.dat");
    EXPECT_EQ(Vault::archiveName("abc"), "436986f2189c2efa73b6337f472cbb28.pack");
}

class BlobStoreTest : public testing::Test {
protected:
    BlobStoreTest() {
        m_home.setVar("KESTRANE_RESOURCES", m_resources);
        fs::create_directories(m_resources / "wp");
    }
    static void write(const fs::path& path, std::string_view text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    fs::path shipped(std::string_view name) const { return m_resources / "wp" / name; }
    fs::path downloads() const { return m_home.dataHome() / "Kestrane Wallpapers" / "packs"; }

    test::TempHome m_home;
    fs::path m_resources = m_home.root() / "resources";
};

TEST_F(BlobStoreTest, TheDownloadedCopyWinsOverTheShippedOneAndItsFolderIsAlwaysMade) {
    EXPECT_EQ(Config::downloadedPacksDir(), downloads());
    EXPECT_TRUE(fs::is_directory(downloads()));
    fs::remove_all(downloads().parent_path());
    EXPECT_FALSE(BlobStore::isDownloaded("x.dat"));
    EXPECT_TRUE(fs::is_directory(downloads())) << "made again on every access";

    write(shipped("both.dat"), "shipped");
    write(downloads() / "both.dat", "downloaded");
    write(shipped("only-shipped.dat"), "shipped");
    fs::create_directories(downloads() / "odd.dat"); // a folder named like a blob is no blob
    write(shipped("odd.dat"), "shipped");

    EXPECT_EQ(BlobStore::url("both.dat"), downloads() / "both.dat");
    EXPECT_TRUE(BlobStore::isDownloaded("both.dat"));
    for (const char* name : {"only-shipped.dat", "odd.dat"}) {
        EXPECT_EQ(BlobStore::url(name), shipped(name));
        EXPECT_FALSE(BlobStore::isDownloaded(name));
    }
    EXPECT_EQ(BlobStore::url("nowhere.dat"), std::nullopt);

    const Wallpaper wallpaper{"p", "a.jpg", Variant::neutral, "both.dat"};
    EXPECT_EQ(wallpaper.blobURL(), downloads() / "both.dat");
    EXPECT_EQ(wallpaper.imageData(),
              Bytes(asBytes("downloaded").begin(), asBytes("downloaded").end()));
}

TEST_F(BlobStoreTest, AMissingBlobGivesNoBytesAndNoPicture) {
    const Wallpaper missing{"p", "a.jpg", Variant::neutral, "missing.dat"};
    EXPECT_EQ(missing.blobURL(), std::nullopt);
    EXPECT_EQ(missing.imageData(), std::nullopt);
    EXPECT_EQ(ImageSource::wallpaper(missing).data(), std::nullopt);
    EXPECT_FALSE(decodeImage(ImageSource::wallpaper(missing), 320));
    EXPECT_EQ(ImageSource::asset(m_resources / "AllPacks.jpg").data(), std::nullopt);
    write(m_resources / "AllPacks.jpg", "tile");
    EXPECT_EQ(ImageSource::asset(m_resources / "AllPacks.jpg").data(), Bytes({'t', 'i', 'l', 'e'}));
}

TEST_F(BlobStoreTest, NamesThatAreNotPlainFileNamesFindNothing) {
    write(m_resources / "outside.dat", "secret");
    write(m_home.dataHome() / "Kestrane Wallpapers" / "outside.dat", "secret");
    fs::create_directories(shipped("sub"));
    write(shipped("sub") / "x.dat", "x");
    using namespace std::string_view_literals;
    for (std::string_view name : {""sv, "."sv, ".."sv, "../outside.dat"sv, "sub/x.dat"sv,
                                  "..\\outside.dat"sv, "x.dat\0.jpg"sv, "/etc/passwd"sv}) {
        EXPECT_EQ(BlobStore::url(name), std::nullopt) << name;
        EXPECT_FALSE(BlobStore::isDownloaded(name)) << name;
    }
}

} // namespace
} // namespace ks
