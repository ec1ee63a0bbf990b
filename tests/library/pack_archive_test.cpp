#include "library/pack_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ks {
namespace {

using PackArchive::Entry;
using testing::ElementsAre;
using testing::Optional;

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

Bytes header(std::uint32_t count, int version = 1) {
    return bytesOf({'K', 'S', 'P', 'K', version, static_cast<int>(count & 0xFF),
                    static_cast<int>((count >> 8) & 0xFF), static_cast<int>((count >> 16) & 0xFF),
                    static_cast<int>(count >> 24)});
}

// One entry whose name is given as raw bytes.
Bytes rawEntry(std::string_view name, const Bytes& data) {
    Bytes out = bytesOf({static_cast<int>(name.size() & 0xFF), static_cast<int>(name.size() >> 8)});
    out.insert(out.end(), name.begin(), name.end());
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(std::uint64_t{data.size()} >> (8 * i)));
    return out + data;
}

TEST(PackArchive, WritesTheDocumentedLayoutByteForByteAndReadsBackWhatItWrote) {
    const Bytes example = header(1) + bytesOf({0x05, 0x00, 'a', '.', 'd', 'a', 't', 0x03, 0, 0, 0,
                                               0, 0, 0, 0, 0x01, 0x02, 0x03});
    EXPECT_EQ(PackArchive::pack({{"a.dat", bytesOf({1, 2, 3})}}), example);
    EXPECT_THAT(PackArchive::unpack(example),
                Optional(ElementsAre(Entry{"a.dat", bytesOf({1, 2, 3})})));

    const std::vector<Entry> entries{{"a.dat", bytesOf({1, 2, 3})},
                                     {std::string(65535, 'n'), Bytes(70000, 0xAB)},
                                     {"\xE5\xB1\xB1.dat", {}},
                                     {"", bytesOf({0})}};
    EXPECT_EQ(PackArchive::unpack(*PackArchive::pack(entries)), entries);
    EXPECT_FALSE(PackArchive::pack({{"ok", {}}, {std::string(65536, 'n'), {}}}));

    // No entries is an empty list, and nothing after a zero count is looked at.
    EXPECT_EQ(PackArchive::pack({}), header(0));
    EXPECT_THAT(PackArchive::unpack(header(0) + bytesOf({0xFF, 0xFF})), Optional(ElementsAre()));
}

TEST(PackArchive, KeepsEveryEntryInOrderAndIgnoresTrailingBytes) {
    const Bytes archive = header(3) + rawEntry("same", bytesOf({1})) + rawEntry("", {}) +
                          rawEntry("same", bytesOf({2, 2})) + bytesOf({'j', 'u', 'n', 'k'});
    EXPECT_THAT(PackArchive::unpack(archive),
                Optional(ElementsAre(Entry{"same", bytesOf({1})}, Entry{"", {}},
                                     Entry{"same", bytesOf({2, 2})})));
}

TEST(PackArchive, RejectsOtherFormatsTruncationsAndLengthsTheBytesCannotHold) {
    Bytes wrongMagic = header(0);
    wrongMagic[3] = 'k';
    const Bytes rejected[] = {
        header(0, 2), header(0, 0), wrongMagic, header(2) + rawEntry("a", bytesOf({1})),
        // Four billion entries promised by twenty bytes: rejected without reserving for them.
        header(0xFFFFFFFF) + rawEntry("abc", bytesOf({1})),
        // A length with its top bit set, a length one past the end, a name past the end.
        header(1) + bytesOf({1, 0, 'a', 1, 0, 0, 0, 0, 0, 0, 0x80, 7}),
        header(1) + bytesOf({1, 0, 'a', 2, 0, 0, 0, 0, 0, 0, 0, 7}),
        header(1) + bytesOf({0xFF, 0xFF, 'a', 'b'})};
    for (const Bytes& bytes : rejected)
        EXPECT_FALSE(PackArchive::unpack(bytes)) << testing::PrintToString(bytes);

    const auto archive =
        PackArchive::pack({{"first.dat", bytesOf({9, 8, 7, 6})}, {"", {}}, {"x", bytesOf({1})}});
    ASSERT_TRUE(PackArchive::unpack(*archive));
    for (std::size_t length = 0; length < archive->size(); ++length)
        ASSERT_FALSE(PackArchive::unpack(ByteView(*archive).first(length))) << length;
}

TEST(PackArchive, InvalidUtf8NamesAreRepairedOneReplacementPerMaximalSubpart) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"a\xFF.dat", "a" + r + ".dat"},
        {"\xE2\x82"
         "a",
         r + "a"},                           // truncated three-byte sequence
        {"\xF0\x80\x80", r + r + r},         // overlong lead: each byte on its own
        {"\xED\xA0\x80", r + r + r},         // surrogate
        {"\xC0\xAF", r + r},                 // overlong two-byte form
        {"\xF4\x90\x80\x80", r + r + r + r}, // above U+10FFFF
        {"\xF0\x9F\x8C", r},                 // truncated at the end
        {"caf\xC3\xA9-\xF0\x9F\x8C\x84.dat", "caf\xC3\xA9-\xF0\x9F\x8C\x84.dat"}};
    for (const auto& [raw, expected] : cases)
        EXPECT_THAT(PackArchive::unpack(header(1) + rawEntry(raw, bytesOf({1}))),
                    Optional(ElementsAre(Entry{expected, bytesOf({1})})));
}

} // namespace
} // namespace ks
