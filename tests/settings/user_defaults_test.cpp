#include "settings/user_defaults.h"

#include "base/file_io.h"
#include "base/manual_loop.h"
#include "settings/defaults_file.h"
#include "support/log_capture.h"
#include "support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

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

// What `defaults` reads for `key` through the getter for the type `like` holds.
std::optional<DefaultsValue> readAs(const UserDefaults& defaults, std::string_view key,
                                    const DefaultsValue& like) {
    return std::visit(
        [&](const auto& typed) -> std::optional<DefaultsValue> {
            using T = std::decay_t<decltype(typed)>;
            std::optional<T> value;
            if constexpr (std::is_same_v<T, bool>)
                value = defaults.boolValue(key);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                value = defaults.integerValue(key);
            else if constexpr (std::is_same_v<T, double>)
                value = defaults.realValue(key);
            else if constexpr (std::is_same_v<T, std::string>)
                value = defaults.stringValue(key);
            else if constexpr (std::is_same_v<T, Bytes>)
                value = defaults.dataValue(key);
            else
                value = defaults.stringArrayValue(key);
            return value ? std::optional<DefaultsValue>(*value) : std::nullopt;
        },
        like);
}

TEST_F(UserDefaultsTest, EveryTypeRoundTripsThroughTheFileFromAMissingOne) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<std::string, DefaultsValue>> values{
        {"yes", true},
        {"no", false},
        {"int", std::int64_t{480}},
        {"negative", std::int64_t{-7}},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"real", 0.1},
        {"huge", 1e300},
        {"inf", -std::numeric_limits<double>::infinity()},
        {"text", std::string("coast/dawn <&> \"\u00E9\" ]]>")},
        {"empty text", std::string()},
        {"list", std::vector<std::string>{"b", "", "a & <c>"}},
        {"empty list", std::vector<std::string>{}},
        {"data", Bytes{0, 1, 2, 0xFF, 0}},
        {"empty data", Bytes{}},
        {"", std::string("empty key")}};
    test::LogCapture log;
    {
        UserDefaults defaults(file(), loop);
        for (const auto& [key, value] : values)
            defaults.set(key, value);
        defaults.set("nan", nan);
        defaults.set("removed", true);
        defaults.remove("removed");
        ASSERT_TRUE(defaults.flush());
    }
    UserDefaults again(file(), loop);
    for (const auto& [key, value] : values)
        EXPECT_EQ(readAs(again, key, value), value) << key;
    EXPECT_TRUE(std::isnan(again.realValue("nan").value_or(0)));
    EXPECT_FALSE(again.contains("removed"));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(UserDefaultsTest, WrongTypesReadAsMissingButIntegersReadAsReals) {
    const std::vector<DefaultsValue> values{
        true, std::int64_t{3}, 2.5, std::string("1"), std::vector<std::string>{"x"}, Bytes{1}};
    UserDefaults defaults(file(), loop);
    for (std::size_t stored = 0; stored < values.size(); ++stored) {
        defaults.set("key", values[stored]);
        for (std::size_t asked = 0; asked < values.size(); ++asked) {
            const auto read = readAs(defaults, "key", values[asked]);
            if (stored == asked)
                EXPECT_EQ(read, values[stored]) << stored;
            else if (stored == 1 && asked == 2)
                EXPECT_EQ(read, DefaultsValue(3.0));
            else
                EXPECT_FALSE(read) << stored << " read as " << asked;
        }
    }
    EXPECT_FALSE(defaults.boolValue("absent") || defaults.contains("absent"));
}

TEST_F(UserDefaultsTest, RealsReadRightUnderADecimalCommaLocale) {
    const fs::path locales = home.root() / "locales";
    fs::create_directories(locales);
    const std::string make =
        "localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    home.setVar("LOCPATH", locales);
    if (std::system(make.c_str()) != 0 || !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale to test with";
    UserDefaults(file(), loop).set("fade", 1.5);
    const std::string text = fileText(file());
    const auto again = UserDefaults(file(), loop).realValue("fade");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_THAT(text, HasSubstr("<real>1.5</real>"));
    EXPECT_EQ(again, 1.5);
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
    const fs::path dir = file().parent_path();
    const std::string aside = "test.plist.corrupt-" + utcStamp(loop.now());
    for (const std::string& contents : cases) {
        SCOPED_TRACE(contents.substr(0, 60));
        fs::remove_all(dir);
        writeFile(contents);
        test::LogCapture log;
        UserDefaults defaults(file(), loop);
        EXPECT_FALSE(defaults.contains("shuffle"));
        EXPECT_THAT(filesIn(dir), ElementsAre(aside));
        EXPECT_EQ(fileText(dir / aside), contents);
        EXPECT_THAT(log.lines(), ElementsAre(HasSubstr("moved it to " + (dir / aside).string())));

        // The next corrupt file of the same second does not replace the first.
        writeFile(contents);
        UserDefaults second(file(), loop);
        EXPECT_THAT(filesIn(dir), ElementsAre(aside, aside + "-2"));
        second.set("shuffle", true);
        loop.runPending();
        EXPECT_EQ(UserDefaults(file(), loop).boolValue("shuffle"), true);
    }
}

TEST_F(UserDefaultsTest, AFileThatCannotBeReadIsNeitherMovedNorOverwritten) {
    // A folder in the file's place: unreadable.
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
    // One line for the read, one for the first refusal.
    EXPECT_THAT(log.lines(), ElementsAre(HasSubstr("couldn't read"), HasSubstr("not saving")));
}

void appendBigEndian(std::string& out, std::uint64_t value, int size) {
    for (int k = size - 1; k >= 0; --k)
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

// Binary {"k": [[...]]}: `levels` arrays, each referring `refsPerLevel` times to the next.
std::string nestedBinary(std::uint32_t levels, int refsPerLevel) {
    std::string bytes = "bplist00";
    std::vector<std::uint64_t> offsets{bytes.size()};
    // Object 0 is the root {object levels + 1: object 1}; objects 1..levels are the arrays.
    bytes += '\xD1';
    appendBigEndian(bytes, levels + 1, 2);
    appendBigEndian(bytes, 1, 2);
    for (std::uint32_t i = 1; i <= levels; ++i) {
        offsets.push_back(bytes.size());
        const int refs = i == levels ? 0 : refsPerLevel;
        bytes += static_cast<char>(0xA0 | refs);
        for (int r = 0; r < refs; ++r)
            appendBigEndian(bytes, i + 1, 2);
    }
    offsets.push_back(bytes.size());
    bytes += "\x51k";
    const std::uint64_t table = bytes.size();
    for (auto offset : offsets)
        appendBigEndian(bytes, offset, 4);
    bytes += std::string(6, '\0') + "\x04\x02"; // offset and reference sizes
    appendBigEndian(bytes, offsets.size(), 8);
    appendBigEndian(bytes, 0, 8); // the root object
    appendBigEndian(bytes, table, 8);
    return bytes;
}

TEST(DefaultsFile, RefusesNestingAndExpansionLibplistCannotSurvive) {
    EXPECT_TRUE(parseDefaults(asBytes(nestedBinary(20, 1))));
    EXPECT_TRUE(parseDefaults(asBytes(nestedBinary(16, 2))));
    EXPECT_FALSE(parseDefaults(asBytes(nestedBinary(60'000, 1))));
    EXPECT_FALSE(parseDefaults(asBytes(nestedBinary(40, 2)))) << "2^40 nodes once expanded";
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
    EXPECT_TRUE(parseDefaults(asBytes(std::string(nulValue).replace(15, 1, "z"))));
    const std::string xmlWithNul =
        "<dict><key>k</key><string>x" + std::string(1, '\0') + "y</string></dict>";
    EXPECT_FALSE(parseDefaults(asBytes(plistText(xmlWithNul))));
    EXPECT_TRUE(parseDefaults(asBytes(plistText("<dict><key>k</key><string>xy</string></dict>"))));
}

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
        // An unsigned number beyond the signed range is not some negative number.
        EXPECT_TRUE(defaults.contains("big") && !defaults.integerValue("big"));
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

TEST_F(UserDefaultsTest, AssignmentsOfOneTurnMakeOneWriteOnTheNextTurnOrAtDestruction) {
    UserDefaults defaults(file(), loop);
    for (int i = 0; i < 1000; ++i)
        defaults.set("counter", std::int64_t{i});
    EXPECT_FALSE(fs::exists(file().parent_path())) << "nothing is made before the turn";
    EXPECT_TRUE(defaults.hasPendingWrites());

    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 1u);
    EXPECT_FALSE(defaults.hasPendingWrites());
    EXPECT_EQ(UserDefaults(file(), loop).integerValue("counter"), 999);

    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 1u) << "a turn without assignments writes nothing";

    defaults.set("counter", std::int64_t{1000});
    defaults.remove("counter");
    loop.runPending();
    EXPECT_EQ(defaults.fileWrites(), 2u);
    EXPECT_FALSE(UserDefaults(file(), loop).contains("counter"));

    {
        UserDefaults other(file(), loop);
        other.set("lastShownKey", std::string("coast/dawn.jpg"));
    }
    EXPECT_EQ(UserDefaults(file(), loop).stringValue("lastShownKey"), "coast/dawn.jpg");
    EXPECT_EQ(loop.runPending(), 1u) << "the gone database's posted flush runs harmlessly";
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
    EXPECT_THAT(log.lines(), ElementsAre(HasSubstr("couldn't write")));

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

    UserDefaults standard(UserDefaults::standardPath(), loop);
    UserDefaults::setStandard(&standard);
    standard.set("hasShownWelcome", true);
    EXPECT_TRUE(UserDefaults::flushStandard());
    UserDefaults::setStandard(nullptr);
    EXPECT_EQ(UserDefaults(UserDefaults::standardPath(), loop).boolValue("hasShownWelcome"), true);
}

} // namespace
} // namespace ks
