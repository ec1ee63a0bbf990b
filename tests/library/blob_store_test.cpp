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
    fs::path downloaded(std::string_view name) const {
        return m_home.dataHome() / "Kestrane Wallpapers" / "packs" / name;
    }

    test::TempHome m_home;
    fs::path m_resources = m_home.root() / "resources";
};

TEST_F(BlobStoreTest, DownloadedPacksDirIsMadeOnEveryAccess) {
    const fs::path expected = m_home.dataHome() / "Kestrane Wallpapers" / "packs";
    EXPECT_EQ(Config::downloadedPacksDir(), expected);
    EXPECT_TRUE(fs::is_directory(expected));

    fs::remove_all(m_home.dataHome() / "Kestrane Wallpapers");
    EXPECT_FALSE(BlobStore::isDownloaded("x.dat"));
    EXPECT_TRUE(fs::is_directory(expected));
}

TEST_F(BlobStoreTest, TheDownloadedCopyWinsOverTheShippedOne) {
    Config::downloadedPacksDir();
    write(shipped("both.dat"), "shipped");
    write(downloaded("both.dat"), "downloaded");
    write(shipped("only-shipped.dat"), "shipped");

    EXPECT_EQ(BlobStore::url("both.dat"), downloaded("both.dat"));
    EXPECT_TRUE(BlobStore::isDownloaded("both.dat"));
    EXPECT_EQ(BlobStore::url("only-shipped.dat"), shipped("only-shipped.dat"));
    EXPECT_FALSE(BlobStore::isDownloaded("only-shipped.dat"));
    EXPECT_EQ(BlobStore::url("nowhere.dat"), std::nullopt);

    const Wallpaper wallpaper{"p", "a.jpg", Variant::neutral, "both.dat"};
    EXPECT_EQ(wallpaper.blobURL(), downloaded("both.dat"));
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
    for (std::string_view name :
         {std::string_view(""), std::string_view("."), std::string_view(".."),
          std::string_view("../outside.dat"), std::string_view("sub/x.dat"),
          std::string_view("..\\outside.dat"), std::string_view("x.dat\0.jpg", 10),
          std::string_view("/etc/passwd")}) {
        EXPECT_EQ(BlobStore::url(name), std::nullopt) << name;
        EXPECT_FALSE(BlobStore::isDownloaded(name)) << name;
    }
}

TEST_F(BlobStoreTest, AFolderNamedLikeABlobIsNoBlob) {
    fs::create_directories(downloaded("odd.dat"));
    write(shipped("odd.dat"), "shipped");
    EXPECT_FALSE(BlobStore::isDownloaded("odd.dat"));
    EXPECT_EQ(BlobStore::url("odd.dat"), shipped("odd.dat"));
}

} // namespace
} // namespace ks
