#include "base/file_io.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace ks;

namespace {
std::ptrdiff_t entriesIn(const fs::path& dir) {
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}
fs::perms mode(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::all;
}
} // namespace

TEST(AtomicReplace, ReplacesWithoutTemporariesKeepsModesAndFailsWithoutHarm) {
    test::TempHome home;
    const auto path = home.root() / "settings.plist";
    ASSERT_TRUE(replaceFileAtomically(path, asBytes("first")));
    ASSERT_TRUE(replaceFileAtomically(path, asBytes("second, longer")));
    EXPECT_EQ(asText(*readWholeFile(path)), "second, longer");
    EXPECT_EQ(entriesIn(home.root()), 5) << "only the four XDG folders and the file";

    // New files follow the umask; replaced files keep their mode.
    const auto old = ::umask(027);
    ASSERT_TRUE(replaceFileAtomically(home.root() / "fresh", asBytes("x")));
    ::umask(old);
    EXPECT_EQ(mode(home.root() / "fresh"),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(replaceFileAtomically(path, asBytes("v2")));
    EXPECT_EQ(mode(path), fs::perms::owner_read | fs::perms::owner_write);

    // A folder cannot be replaced by a file, nor a file written into a missing folder.
    const auto dir = home.root() / "locked";
    fs::create_directories(dir);
    ASSERT_TRUE(replaceFileAtomically(dir / "index.dat", asBytes("old")));
    EXPECT_FALSE(replaceFileAtomically(dir, asBytes("new")));
    EXPECT_FALSE(replaceFileAtomically(home.root() / "missing" / "x", asBytes("new")));
    EXPECT_EQ(asText(*readWholeFile(dir / "index.dat")), "old");
    EXPECT_EQ(entriesIn(dir), 1);
}

TEST(AtomicReplace, OnlyTemporariesOfEndedWritersOfThatFileAreRemoved) {
    test::TempHome home;
    const auto dir = home.root() / "prefs";
    fs::create_directories(dir);
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended), alive = std::to_string(::getpid());
    const std::vector<std::pair<std::string, bool>> names{
        {".a.plist.tmp-" + dead + "-0-77", false}, // its writer was killed
        {".a.plist.tmp-" + alive + "-1-78", true}, // still being written
        {".b.plist.tmp-" + dead + "-0-79", true},  // another file's
        {".a.plist.tmp-x" + dead + "-0-80", true}, // not a name we make
        {"a.plist", true},
    };
    for (const auto& [name, kept] : names)
        std::ofstream(dir / name) << "x";
    removeAbandonedTemporaries(dir / "a.plist");
    for (const auto& [name, kept] : names)
        EXPECT_EQ(fs::exists(dir / name), kept) << name;
}

TEST(ReadWholeFile, GivesAllBytesOfRegularFilesWithinTheLimitAndNoneOtherwise) {
    test::TempHome home;
    const auto fifo = home.root() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readWholeFile(fifo)) << "and it must not hang";
    EXPECT_FALSE(readWholeFile("/dev/zero"));
    EXPECT_FALSE(readWholeFile(home.root() / "nothing"));
    EXPECT_FALSE(readWholeFile(home.root()));
    ASSERT_TRUE(replaceFileAtomically(home.root() / "ten", asBytes("0123456789")));
    EXPECT_FALSE(readWholeFile(home.root() / "ten", 9));
    EXPECT_EQ(readWholeFile(home.root() / "ten", 10)->size(), 10u);
    Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(replaceFileAtomically(home.root() / "big", big));
    EXPECT_EQ(*readWholeFile(home.root() / "big"), big);
    ASSERT_TRUE(replaceFileAtomically(home.root() / "empty", {}));
    EXPECT_TRUE(readWholeFile(home.root() / "empty")->empty());
}
