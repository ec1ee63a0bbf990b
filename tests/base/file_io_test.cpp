#include "base/file_io.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(AtomicReplace, WritesNewFilesAndReplacesOldOnesWithoutLeavingTemporaries) {
    ks::test::TempHome home;
    const auto path = home.root() / "settings.plist";
    ASSERT_TRUE(ks::replaceFileAtomically(path, ks::asBytes("first")));
    ASSERT_TRUE(ks::replaceFileAtomically(path, ks::asBytes("second, longer")));
    auto bytes = ks::readWholeFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ks::asText(*bytes), "second, longer");
    EXPECT_EQ(std::distance(fs::directory_iterator(home.root()), fs::directory_iterator()), 5)
        << "only the four XDG folders and the file";
}

TEST(AtomicReplace, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    ks::test::TempHome home;
    const auto fresh = home.root() / "fresh";
    const auto old = ::umask(027);
    ASSERT_TRUE(ks::replaceFileAtomically(fresh, ks::asBytes("x")));
    ::umask(old);
    EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const auto secret = home.root() / "secret";
    ASSERT_TRUE(ks::replaceFileAtomically(secret, ks::asBytes("v1")));
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ks::replaceFileAtomically(secret, ks::asBytes("v2")));
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(AtomicReplace, FailureLeavesTheOldFileAlone) {
    ks::test::TempHome home;
    const auto dir = home.root() / "locked";
    fs::create_directories(dir);
    const auto path = dir / "index.dat";
    ASSERT_TRUE(ks::replaceFileAtomically(path, ks::asBytes("old")));
    // A target that is a folder cannot be replaced by a file.
    EXPECT_FALSE(ks::replaceFileAtomically(dir, ks::asBytes("new")));
    EXPECT_FALSE(ks::replaceFileAtomically(home.root() / "missing" / "x", ks::asBytes("new")));
    EXPECT_EQ(ks::asText(*ks::readWholeFile(path)), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(ReadWholeFile, GivesNoneForAnythingButARegularFileWithinTheLimit) {
    ks::test::TempHome home;
    const auto fifo = home.root() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ks::readWholeFile(fifo)) << "and it must not hang";
    EXPECT_FALSE(ks::readWholeFile("/dev/zero"));
    ASSERT_TRUE(ks::replaceFileAtomically(home.root() / "ten", ks::asBytes("0123456789")));
    EXPECT_FALSE(ks::readWholeFile(home.root() / "ten", 9));
    EXPECT_EQ(ks::readWholeFile(home.root() / "ten", 10)->size(), 10u);
}

TEST(ReadWholeFile, GivesNoneForMissingFilesAndFoldersAndAllBytesOtherwise) {
    ks::test::TempHome home;
    EXPECT_FALSE(ks::readWholeFile(home.root() / "nothing"));
    EXPECT_FALSE(ks::readWholeFile(home.root()));
    ks::Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(ks::replaceFileAtomically(home.root() / "big", big));
    EXPECT_EQ(*ks::readWholeFile(home.root() / "big"), big);
    ASSERT_TRUE(ks::replaceFileAtomically(home.root() / "empty", {}));
    EXPECT_TRUE(ks::readWholeFile(home.root() / "empty")->empty());
}
