#include "library_writer.h"

#include "base/file_io.h"
#include "library/library.h"
#include "library/pack_archive.h"
#include "library/vault.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace ks;

namespace {

tools::SourcePack pack(std::string id, bool shipped, int pictures) {
    tools::SourcePack source{id, id + " pack", false, std::nullopt, {}, shipped};
    for (int i = 0; i < pictures; ++i)
        source.pictures.push_back(
            {id + "-" + std::to_string(i) + ".jpg", Variant::neutral,
             Bytes{static_cast<std::uint8_t>(i), 0xFF, static_cast<std::uint8_t>(id.size())}});
    return source;
}

} // namespace

TEST(LibraryWriter, ShipsSomePacksAndArchivesTheOthersUnderOneIndex) {
    test::TempHome home;
    const auto resources = home.root() / "res";
    const auto server = home.root() / "server";
    auto shipped = pack("alps", true, 2);
    shipped.hasVariants = true;
    shipped.coverFileName = "alps-1.jpg";
    shipped.pictures[1].variant = Variant::dark;
    const auto report = tools::writeLibrary({shipped, pack("coast", false, 3)}, resources, server);
    ASSERT_TRUE(report.ok()) << report.error;
    EXPECT_EQ(report.shippedBlobs, 2);
    EXPECT_EQ(report.archives, 1);

    Library library([&] { return std::optional(resources); });
    library.rescan();
    ASSERT_EQ(library.packs().size(), 2u);
    const auto& alps = library.packs()[0];
    EXPECT_EQ(alps, (Pack{"alps", "alps pack", alps.wallpapers, true, "alps-1.jpg"}));
    EXPECT_EQ(alps.wallpapers[1].variant, Variant::dark);
    for (const auto& w : alps.wallpapers) {
        EXPECT_EQ(w.blob, Vault::blobName(w.key()));
        EXPECT_TRUE(fs::exists(resources / "wp" / w.blob));
    }

    const auto& coast = library.packs()[1];
    const auto archive = readWholeFile(server / Vault::archiveName("coast"));
    ASSERT_TRUE(archive);
    const auto entries = PackArchive::unpack(*archive);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3u);
    for (std::size_t i = 0; i < entries->size(); ++i) {
        EXPECT_EQ((*entries)[i].name, coast.wallpapers[i].blob);
        EXPECT_FALSE(fs::exists(resources / "wp" / coast.wallpapers[i].blob));
    }
    EXPECT_EQ((*entries)[2].data, (Bytes{2, 0xFF, 5}));
}

TEST(LibraryWriter, RewritingDropsBlobsTheNewIndexNoLongerNamesAndRefusesABlockedFolder) {
    test::TempHome home;
    const auto resources = home.root() / "res";
    ASSERT_TRUE(tools::writeLibrary({pack("alps", true, 3)}, resources, home.root() / "s").ok());
    ASSERT_TRUE(tools::writeLibrary({pack("alps", true, 1)}, resources, home.root() / "s").ok());
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(resources / "wp"))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{Vault::blobName("alps/alps-0.jpg"), "index.dat"}));

    ASSERT_TRUE(replaceFileAtomically(home.root() / "file", asBytes("x")));
    EXPECT_FALSE(
        tools::writeLibrary({pack("alps", true, 1)}, home.root() / "file", home.root() / "s").ok());
}
