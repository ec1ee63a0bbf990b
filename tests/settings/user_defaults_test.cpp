#include "settings/user_defaults.h"

#include "base/file_io.h"
#include "base/manual_loop.h"
#include "settings/defaults_file.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace ks {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                     "<plist version=\"1.0\">\n";

std::string plistText(std::string_view body) {
    return std::string(kHeader) + std::string(body) + "\n</plist>\n";
}

std::string fileText(const fs::path& path) {
    const auto bytes = readWholeFile(path);
    return bytes ? std::string(asText(*bytes)) : std::string();
}

// Names in `dir` other than the temporary folders TempHome makes.
std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class UserDefaultsTest : public testing::Test {
protected:
    fs::path file() const { return home.root() / "prefs" / "test.plist"; }
    void writeFile(std::string_view text) {
        fs::create_directories(file().parent_path());
        ASSERT_TRUE(replaceFileAtomically(file(), asBytes(text)));
    }

    test::TempHome home;
    ManualLoop loop;
};

// --- Values and types ------------------------------------------------------------------------

TEST_F(UserDefaultsTest, EveryTypeRoundTripsThroughTheFile) {
    const Bytes data{0, 1, 2, 0xFF, 0};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    {
        UserDefaults defaults(file(), loop);
        defaults.set("yes", true);
        defaults.set("no", false);
        defaults.set("int", std::int64_t{480});
        defaults.set("negative", std::int64_t{-7});
        defaults.set("min", std::numeric_limits<std::int64_t>::min());
        defaults.set("max", std::numeric_limits<std::int64_t>::max());
        defaults.set("real", 0.1);
        defaults.set("huge", 1e300);
        defaults.set("nan", nan);
        defaults.set("inf", -std::numeric_limits<double>::infinity());
        defaults.set("text", std::string("coast/dawn <&> \"é\" ]]>"));
        defaults.set("empty text", std::string());
        defaults.set("list", std::vector<std::string>{"b", "", "a & <c>"});
        defaults.set("empty list", std::vector<std::string>{});
        defaults.set("data", data);
        defaults.set("empty data", Bytes{});
        defaults.set("", std::string("empty key"));
        ASSERT_TRUE(defaults.flush());
    }
    UserDefaults again(file(), loop);
    EXPECT_EQ(again.boolValue("yes"), true);
    EXPECT_EQ(again.boolValue("no"), false);
    EXPECT_EQ(again.integerValue("int"), 480);
    EXPECT_EQ(again.integerValue("negative"), -7);
    EXPECT_EQ(again.integerValue("min"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(again.integerValue("max"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(again.realValue("real"), 0.1);
    EXPECT_EQ(again.realValue("huge"), 1e300);
    ASSERT_TRUE(again.realValue("nan"));
    EXPECT_TRUE(std::isnan(*again.realValue("nan")));
    EXPECT_EQ(again.realValue("inf"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(again.stringValue("text"), "coast/dawn <&> \"é\" ]]>");
    EXPECT_EQ(again.stringValue("empty text"), "");
    EXPECT_THAT(*again.stringArrayValue("list"), ElementsAre("b", "", "a & <c>"));
    EXPECT_EQ(again.stringArrayValue("empty list"), std::vector<std::string>{});
    EXPECT_EQ(again.dataValue("data"), data);
    EXPECT_EQ(again.dataValue("empty data"), Bytes{});
    EXPECT_EQ(again.stringValue(""), "empty key");
}

TEST_F(UserDefaultsTest, WrongTypesReadAsMissingButIntegersReadAsReals) {
    UserDefaults defaults(file(), loop);
    defaults.set("int", std::int64_t{3});
    defaults.set("real", 2.5);
    defaults.set("flag", true);
    defaults.set("text", std::string("1"));
    defaults.set("list", std::vector<std::string>{"x"});

    EXPECT_EQ(defaults.realValue("int"), 3.0);
    EXPECT_FALSE(defaults.boolValue("int"));
    EXPECT_FALSE(defaults.stringValue("int"));
    EXPECT_FALSE(defaults.integerValue("real"));
    EXPECT_FALSE(defaults.boolValue("real"));
    EXPECT_FALSE(defaults.integerValue("flag"));
    EXPECT_FALSE(defaults.realValue("flag"));
    EXPECT_FALSE(defaults.integerValue("text"));
    EXPECT_FALSE(defaults.stringArrayValue("text"));
    EXPECT_FALSE(defaults.stringValue("list"));
    EXPECT_FALSE(defaults.dataValue("text"));
    EXPECT_FALSE(defaults.boolValue("absent"));
    EXPECT_FALSE(defaults.contains("absent"));

    defaults.remove("int");
    EXPECT_FALSE(defaults.contains("int"));
    ASSERT_TRUE(defaults.flush());
    UserDefaults again(file(), loop);
    EXPECT_FALSE(again.contains("int"));
    EXPECT_TRUE(again.contains("real"));
}

TEST_F(UserDefaultsTest, ReadsBinaryListsAndNumbersWrittenByOthers) {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "shuffle", plist_new_bool(1));
    plist_dict_set_item(root, "interval", plist_new_real(900));
    char* binary = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &binary, &length);
    plist_free(root);
    writeFile(std::string_view(binary, length));
    plist_to_bin_free(binary);
    {
        UserDefaults defaults(file(), loop);
        EXPECT_EQ(defaults.boolValue("shuffle"), true);
        EXPECT_EQ(defaults.realValue("interval"), 900.0);
    }

    // An unsigned number beyond the signed range is not some negative number.
    writeFile(plistText("<dict><key>big</key><integer>18446744073709551615</integer>"
                        "<key>small</key><integer>-1</integer></dict>"));
    UserDefaults defaults(file(), loop);
    EXPECT_FALSE(defaults.integerValue("big"));
    EXPECT_TRUE(defaults.contains("big"));
    EXPECT_EQ(defaults.integerValue("small"), -1);
}

TEST_F(UserDefaultsTest, RealsReadRightUnderADecimalCommaLocale) {
    const fs::path locales = home.root() / "locales";
    fs::create_directories(locales);
    const std::string make =
        "localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    home.setVar("LOCPATH", locales);
    if (std::system(make.c_str()) != 0 || !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale to test with";
    struct Restore {
        ~Restore() { std::setlocale(LC_NUMERIC, "C"); }
    } restore;

    {
        UserDefaults defaults(file(), loop);
        defaults.set("fade", 1.5);
        ASSERT_TRUE(defaults.flush());
    }
    EXPECT_THAT(fileText(file()), HasSubstr("<real>1.5</real>"));
    UserDefaults again(file(), loop);
    EXPECT_EQ(again.realValue("fade"), 1.5);
}

TEST_F(UserDefaultsTest, RefusesNulInKeysAndStringsInsteadOfCuttingThem) {
    test::LogCapture log;
    UserDefaults defaults(file(), loop);
    defaults.set("name", std::string("a"));
    defaults.set(std::string_view("name\0x", 6), std::string("b"));
    defaults.set("name", std::string("a\0b", 3));
    defaults.set("list", std::vector<std::string>{"ok", std::string("x\0y", 3)});
    EXPECT_EQ(defaults.stringValue("name"), "a");
    EXPECT_FALSE(defaults.contains("list"));
    EXPECT_EQ(log.lines().size(), 3u);
}

// --- Files that cannot be read -------------------------------------------------------------

TEST_F(UserDefaultsTest, AMissingFileIsAnEmptyDatabaseAndItsFolderIsMade) {
    test::LogCapture log;
    UserDefaults defaults(file(), loop);
    EXPECT_FALSE(defaults.contains("anything"));
    EXPECT_FALSE(fs::exists(file().parent_path()));
    defaults.set("shuffle", false);
    loop.runPending();
    EXPECT_EQ(UserDefaults(file(), loop).boolValue("shuffle"), false);
    EXPECT_TRUE(log.lines().empty());
}

// Arrays nested `levels` deep under the key "deep".
std::string nestedArrays(int levels) {
    std::string nested = "<dict><key>deep</key>";
    for (int i = 0; i < levels; ++i)
        nested += "<array>";
    for (int i = 0; i < levels; ++i)
        nested += "</array>";
    return plistText(nested + "</dict>");
}

std::string utcStamp(SysTime when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

TEST_F(UserDefaultsTest, UnparseableFilesAreMovedAsideAndTheDatabaseStartsEmpty) {
    const std::string cases[] = {
        "this is not a property list \x01\x02",
        plistText("<array><string>not a dictionary</string></array>"),
        plistText("<dict><key>shuffle</key><true/><key>favorites</key><array><string>a</st"),
        std::string("bplist00\xD1\x01\x02", 11),
        // Parses, but libplist would overflow its stack writing it back.
        nestedArrays(100'000),
    };
    const std::string aside = "test.plist.corrupt-" + utcStamp(loop.now());
    for (const std::string& contents : cases) {
        SCOPED_TRACE(contents.substr(0, 60));
        fs::remove_all(file().parent_path());
        writeFile(contents);
        test::LogCapture log;
        UserDefaults defaults(file(), loop);
        EXPECT_FALSE(defaults.contains("shuffle"));

        EXPECT_THAT(filesIn(file().parent_path()), ElementsAre(aside));
        EXPECT_EQ(fileText(file().parent_path() / aside), contents);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], "UserDefaults: couldn't read " + file().string() +
                                      "; moved it to " + (file().parent_path() / aside).string() +
                                      " and started with defaults");

        // The next corrupt file of the same second does not replace the first.
        writeFile(contents);
        UserDefaults second(file(), loop);
        EXPECT_THAT(filesIn(file().parent_path()), ElementsAre(aside, aside + "-2"));
        EXPECT_EQ(fileText(file().parent_path() / (aside + "-2")), contents);

        second.set("shuffle", true);
        loop.runPending();
        EXPECT_EQ(UserDefaults(file(), loop).boolValue("shuffle"), true);
    }
}

TEST_F(UserDefaultsTest, AFileThatCannotBeReadIsNeitherMovedNorOverwritten) {
    // A folder where the file should be stands for any file this process may not read.
    fs::create_directories(file() / "inside");
    test::LogCapture log;
    UserDefaults defaults(file(), loop);
    defaults.set("shuffle", true);
    loop.runPending();
    EXPECT_FALSE(defaults.flush());
    EXPECT_TRUE(defaults.hasPendingWrites());
    EXPECT_EQ(defaults.boolValue("shuffle"), true) << "the value still lives in memory";
    EXPECT_TRUE(fs::is_directory(file() / "inside"));
    EXPECT_THAT(filesIn(file().parent_path()), ElementsAre("test.plist"));
    ASSERT_EQ(log.lines().size(), 2u) << "one line for the read, one for the first refusal";
    EXPECT_THAT(log.lines()[0], HasSubstr("couldn't read"));
    EXPECT_THAT(log.lines()[1], HasSubstr("not saving"));
}

TEST(DefaultsFile, RefusesNestingAndExpansionLibplistCannotSurvive) {
    // Binary: a chain of arrays each holding the next, and a ladder where every level refers
    // twice to the one below (2^40 nodes once libplist expands it).
    const auto binary = [](std::uint32_t levels, int refsPerLevel) {
        // Object 0: the root dictionary {"k": object 1}; objects 1..levels: arrays, each but
        // the last referring to the next; object levels + 1: the string "k".
        std::string bytes = "bplist00";
        std::vector<std::uint32_t> offsets;
        const auto ref = [&](std::uint32_t index) {
            bytes += static_cast<char>(index >> 8);
            bytes += static_cast<char>(index & 0xFF);
        };
        offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
        bytes += '\xD1';
        ref(levels + 1);
        ref(1);
        for (std::uint32_t i = 1; i <= levels; ++i) {
            offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
            const int refs = i == levels ? 0 : refsPerLevel;
            bytes += static_cast<char>(0xA0 | refs);
            for (int r = 0; r < refs; ++r)
                ref(i + 1);
        }
        offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
        bytes += "\x51k";
        const std::uint64_t table = bytes.size();
        for (auto offset : offsets)
            for (int k = 3; k >= 0; --k)
                bytes += static_cast<char>((offset >> (8 * k)) & 0xFF);
        std::string trailer(32, '\0');
        trailer[6] = 4; // offset size
        trailer[7] = 2; // reference size
        for (int k = 0; k < 8; ++k) {
            trailer[8 + k] = static_cast<char>((offsets.size() >> (8 * (7 - k))) & 0xFF);
            trailer[24 + k] = static_cast<char>((table >> (8 * (7 - k))) & 0xFF);
        }
        return bytes + trailer;
    };
    EXPECT_TRUE(parseDefaults(asBytes(binary(20, 1))));
    EXPECT_TRUE(parseDefaults(asBytes(binary(16, 2))));
    EXPECT_FALSE(parseDefaults(asBytes(binary(60'000, 1))));
    EXPECT_FALSE(parseDefaults(asBytes(binary(40, 2))));
}

TEST(DefaultsFile, RefusesStringsWithNulThatLibplistWouldMangleOrAssertOn) {
    // Binary {"a\0b": true}: libplist asserts reading the key. {"k": "x\0y"}: it cuts the value.
    const std::string nulKey("bplist00\xd1\x01\x02\x53\x61\x00\x62\x09\x08\x0b\x0f\x00\x00\x00"
                             "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00"
                             "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x10",
                             51);
    const std::string nulValue("bplist00\xd1\x01\x02\x51\x6b\x53\x78\x00\x79\x08\x0b\x0d\x00\x00"
                               "\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00"
                               "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x11",
                               52);
    EXPECT_FALSE(parseDefaults(asBytes(nulKey)));
    EXPECT_FALSE(parseDefaults(asBytes(nulValue)));
    const std::string sameWithoutNul = std::string(nulValue).replace(15, 1, "z");
    EXPECT_TRUE(parseDefaults(asBytes(sameWithoutNul)));
    const std::string xmlWithNul =
        "<dict><key>k</key><string>x" + std::string(1, '\0') + "y</string></dict>";
    EXPECT_FALSE(parseDefaults(asBytes(plistText(xmlWithNul))));
    EXPECT_TRUE(parseDefaults(asBytes(plistText("<dict><key>k</key><string>xy</string></dict>"))));
}

// --- What the file keeps -------------------------------------------------------------------

TEST_F(UserDefaultsTest, ValuesOfUnknownTypesSurviveARewrite) {
    writeFile(plistText(R"(<dict>
	<key>when</key><date>2026-12-06T08:30:00Z</date>
	<key>nested</key><dict><key>a</key><integer>1</integer></dict>
	<key>mixed</key><array><string>a</string><integer>2</integer></array>
	<key>big</key><integer>18446744073709551615</integer>
	<key>shuffle</key><true/>
</dict>)"));
    {
        UserDefaults defaults(file(), loop);
        EXPECT_FALSE(defaults.stringValue("when"));
        EXPECT_FALSE(defaults.stringArrayValue("mixed"));
        EXPECT_FALSE(defaults.dataValue("nested"));
        EXPECT_TRUE(defaults.contains("nested"));
        defaults.set("shuffle", false);
    }
    const std::string text = fileText(file());
    EXPECT_THAT(text, HasSubstr("<date>2026-12-06T08:30:00Z</date>"));
    EXPECT_THAT(text, HasSubstr("<key>nested</key>\n\t<dict>\n\t\t<key>a</key>\n\t\t<integer>1"));
    EXPECT_THAT(text, HasSubstr("<string>a</string>\n\t\t<integer>2</integer>"));
    EXPECT_THAT(text, HasSubstr("<integer>18446744073709551615</integer>"));
    EXPECT_EQ(UserDefaults(file(), loop).boolValue("shuffle"), false);
}

TEST_F(UserDefaultsTest, WritesThroughALinkInsteadOfReplacingIt) {
    const fs::path real = home.root() / "dotfiles" / "prefs.plist";
    fs::create_directories(real.parent_path());
    fs::create_directories(file().parent_path());
    fs::create_symlink(real, file());
    UserDefaults defaults(file(), loop);
    defaults.set("shuffle", true);
    ASSERT_TRUE(defaults.flush());
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(UserDefaults(real, loop).boolValue("shuffle"), true);
}

// --- When the file is written ----------------------------------------------------------------

TEST_F(UserDefaultsTest, AssignmentsOfOneTurnMakeOneWriteOnTheNextTurn) {
    UserDefaults defaults(file(), loop);
    for (int i = 0; i < 1000; ++i)
        defaults.set("counter", std::int64_t{i});
    EXPECT_FALSE(fs::exists(file())) << "nothing is written before the turn";
    EXPECT_TRUE(defaults.hasPendingWrites());

    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 1u);
    EXPECT_FALSE(defaults.hasPendingWrites());
    struct stat first {};
    ASSERT_EQ(::stat(file().c_str(), &first), 0);
    EXPECT_EQ(UserDefaults(file(), loop).integerValue("counter"), 999);

    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 1u) << "a turn without assignments writes nothing";
    struct stat same {};
    ASSERT_EQ(::stat(file().c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, first.st_ino);

    defaults.set("counter", std::int64_t{1000});
    defaults.remove("counter");
    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 2u);
    EXPECT_FALSE(UserDefaults(file(), loop).contains("counter"));
}

TEST_F(UserDefaultsTest, DestructionWritesAndLeavesItsPostedTurnHarmless) {
    {
        UserDefaults defaults(file(), loop);
        defaults.set("lastShownKey", std::string("coast/dawn.jpg"));
    }
    EXPECT_EQ(UserDefaults(file(), loop).stringValue("lastShownKey"), "coast/dawn.jpg");
    EXPECT_EQ(loop.runPending(), 1u) << "the posted flush runs and finds nothing";
}

TEST_F(UserDefaultsTest, AFailedWriteLogsOnceAndKeepsTheValuesPending) {
    // A file where the folder should go keeps the folder from being made.
    fs::create_directories(home.root());
    ASSERT_TRUE(replaceFileAtomically(file().parent_path(), asBytes("in the way")));
    test::LogCapture log;
    UserDefaults defaults(file(), loop);
    defaults.set("shuffle", true);
    loop.runPending();
    EXPECT_FALSE(defaults.flush());
    defaults.set("shuffle", false);
    loop.runPending();
    EXPECT_TRUE(defaults.hasPendingWrites());
    EXPECT_EQ(defaults.fileWrites(), 0u);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_THAT(log.lines()[0], HasSubstr("couldn't write"));

    fs::remove(file().parent_path());
    EXPECT_TRUE(defaults.flush());
    EXPECT_FALSE(defaults.hasPendingWrites());
    EXPECT_EQ(UserDefaults(file(), loop).boolValue("shuffle"), false);
}

TEST_F(UserDefaultsTest, TheStandardDatabaseLivesInTheConfigFolderAndFlushesOnRequest) {
    EXPECT_EQ(UserDefaults::standardPath(),
              home.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist");
    EXPECT_TRUE(UserDefaults::flushStandard()) << "nothing made, nothing to write";
    EXPECT_FALSE(fs::exists(UserDefaults::standardPath()));

    // The standard database outlives this test, and so must its loop.
    static ManualLoop sharedLoop;
    MainLoop::setShared(&sharedLoop);
    UserDefaults& standard = UserDefaults::standard();
    EXPECT_EQ(&standard, &UserDefaults::standard());
    standard.set("hasShownWelcome", true);
    EXPECT_TRUE(UserDefaults::flushStandard());
    EXPECT_EQ(UserDefaults(UserDefaults::standardPath(), loop).boolValue("hasShownWelcome"), true);
    MainLoop::setShared(nullptr);
}

} // namespace
} // namespace ks
