#include "library/pack_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ks {
namespace {

using PackArchive::Entry;
using testing::ElementsAre;

Bytes bytesOf(std::initializer_list<int> values) {
    Bytes bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes header(std::uint32_t count, std::uint8_t version = 1) {
    return bytesOf({'K', 'S', 'P', 'K', version, static_cast<int>(count & 0xFF),
                    static_cast<int>((count >> 8) & 0xFF), static_cast<int>((count >> 16) & 0xFF),
                    static_cast<int>(count >> 24)});
}

// One entry whose name is given as raw bytes.
Bytes rawEntry(std::string_view name, const Bytes& data) {
    Bytes out = bytesOf({static_cast<int>(name.size() & 0xFF), static_cast<int>(name.size() >> 8)});
    out.insert(out.end(), name.begin(), name.end());
    for (int i = 0; i < 8; ++i)
        out.push_back(
            static_cast<std::uint8_t>(static_cast<std::uint64_t>(data.size()) >> (8 * i)));
    return out + data;
}

const Bytes kExample = header(1) + bytesOf({0x05, 0x00, 'a', '.', 'd', 'a', 't', 0x03, 0, 0, 0, 0,
                                            0, 0, 0, 0x01, 0x02, 0x03});

TEST(PackArchiveFormat, WritesTheDocumentedLayoutByteForByte) {
    const auto packed = PackArchive::pack({{"a.dat", bytesOf({1, 2, 3})}});
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->size(), 27u);
    EXPECT_EQ(*packed, kExample);
    EXPECT_THAT(PackArchive::unpack(kExample),
                testing::Optional(ElementsAre(Entry{"a.dat", bytesOf({1, 2, 3})})));
}

TEST(PackArchiveFormat, AnArchiveWithoutEntriesIsAnEmptyListNotAFailure) {
    EXPECT_THAT(PackArchive::unpack(header(0)), testing::Optional(testing::IsEmpty()));
    // Nothing after a zero count is looked at.
    EXPECT_THAT(PackArchive::unpack(header(0) + bytesOf({0xFF, 0xFF})),
                testing::Optional(testing::IsEmpty()));
    EXPECT_EQ(PackArchive::pack({}), header(0));
}

TEST(PackArchiveFormat, RejectsOtherMagicAndVersions) {
    EXPECT_FALSE(PackArchive::unpack(header(0, 2)));
    EXPECT_FALSE(PackArchive::unpack(header(0, 0)));
    Bytes wrongMagic = header(0);
    wrongMagic[3] = 'k';
    EXPECT_FALSE(PackArchive::unpack(wrongMagic));
}

TEST(PackArchiveFormat, EveryTruncationOfAGoodArchiveIsRejected) {
    const auto archive =
        PackArchive::pack({{"first.dat", bytesOf({9, 8, 7, 6})}, {"", {}}, {"x", bytesOf({1})}});
    ASSERT_TRUE(archive);
    for (std::size_t length = 0; length < archive->size(); ++length)
        ASSERT_FALSE(PackArchive::unpack(ByteView(*archive).first(length))) << length;
    EXPECT_TRUE(PackArchive::unpack(*archive));
}

TEST(PackArchiveFormat, RejectsCountsAndLengthsTheBytesCannotHold) {
    EXPECT_FALSE(PackArchive::unpack(header(2) + rawEntry("a", bytesOf({1}))));
    // Four billion entries promised by twenty bytes: rejected without reserving for them.
    EXPECT_FALSE(PackArchive::unpack(header(0xFFFFFFFF) + rawEntry("abc", bytesOf({1}))));

    Bytes topBit = header(1) + bytesOf({1, 0, 'a', 1, 0, 0, 0, 0, 0, 0, 0x80}) + bytesOf({7});
    EXPECT_FALSE(PackArchive::unpack(topBit));
    Bytes tooLong = header(1) + bytesOf({1, 0, 'a', 2, 0, 0, 0, 0, 0, 0, 0}) + bytesOf({7});
    EXPECT_FALSE(PackArchive::unpack(tooLong));
    Bytes nameTooLong = header(1) + bytesOf({0xFF, 0xFF, 'a', 'b'});
    EXPECT_FALSE(PackArchive::unpack(nameTooLong));
}

TEST(PackArchiveFormat, KeepsEveryEntryInOrderAndIgnoresTrailingBytes) {
    const Bytes archive = header(3) + rawEntry("same", bytesOf({1})) + rawEntry("", {}) +
                          rawEntry("same", bytesOf({2, 2})) + bytesOf({'j', 'u', 'n', 'k'});
    EXPECT_THAT(PackArchive::unpack(archive),
                testing::Optional(ElementsAre(Entry{"same", bytesOf({1})}, Entry{"", {}},
                                              Entry{"same", bytesOf({2, 2})})));
}

TEST(PackArchiveNames, InvalidUtf8IsRepairedOneReplacementPerMaximalSubpart) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string raw;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"a\xFF.dat", "a" + fffd + ".dat"},
        {"\xE2\x82"
         "a",
         fffd + "a"},                                    // truncated three-byte sequence
        {"\xF0\x80\x80", fffd + fffd + fffd},            // overlong lead: each byte on its own
        {"\xED\xA0\x80", fffd + fffd + fffd},            // surrogate
        {"\xC0\xAF", fffd + fffd},                       // overlong two-byte form
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // above U+10FFFF
        {"\xF0\x9F\x8C", fffd},                          // truncated at the end
        {"caf\xC3\xA9-\xF0\x9F\x8C\x84.dat", "caf\xC3\xA9-\xF0\x9F\x8C\x84.dat"}};
    for (const auto& c : cases) {
        const auto entries = PackArchive::unpack(header(1) + rawEntry(c.raw, bytesOf({1})));
        ASSERT_TRUE(entries);
        EXPECT_EQ(entries->at(0).name, c.expected);
    }
}

TEST(PackArchiveRoundTrip, ReadsBackWhatItWrote) {
    const std::vector<Entry> entries{{"a.dat", bytesOf({1, 2, 3})},
                                     {std::string(65535, 'n'), Bytes(70000, 0xAB)},
                                     {"\xE5\xB1\xB1.dat", {}},
                                     {"", bytesOf({0})}};
    const auto packed = PackArchive::pack(entries);
    ASSERT_TRUE(packed);
    EXPECT_EQ(PackArchive::unpack(*packed), entries);
}

TEST(PackArchiveRoundTrip, RefusesToWriteANameTheLengthFieldCannotHold) {
    EXPECT_FALSE(PackArchive::pack({{"ok", {}}, {std::string(65536, 'n'), {}}}));
}

} // namespace
} // namespace ks
