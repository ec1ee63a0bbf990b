#include "library/pack_archive.h"

#include "library/unicode_text.h"

#include <algorithm>
#include <limits>

namespace ks::PackArchive {

namespace {

constexpr std::size_t kHeaderSize = magic.size() + 1 + 4;
// Name length field plus data length field: the least an entry can occupy.
constexpr std::size_t kMinEntrySize = 2 + 8;
constexpr std::size_t kMaxNameSize = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint64_t kMaxEntryCount = std::numeric_limits<std::uint32_t>::max();

// Reads front to back; a taking that does not fit leaves the reader failed.
class Cursor {
public:
    explicit Cursor(ByteView bytes) : m_bytes(bytes) {}

    std::optional<ByteView> take(std::int64_t count) {
        if (count < 0 || static_cast<std::uint64_t>(count) > remaining())
            return std::nullopt;
        const auto taken = m_bytes.subspan(m_pos, static_cast<std::size_t>(count));
        m_pos += taken.size();
        return taken;
    }

    std::optional<std::uint64_t> takeLittleEndian(std::size_t width) {
        const auto field = take(static_cast<std::int64_t>(width));
        if (!field)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>((*field)[i]) << (8 * i);
        return value;
    }

    std::size_t remaining() const { return m_bytes.size() - m_pos; }

private:
    ByteView m_bytes;
    std::size_t m_pos = 0;
};

std::optional<Entry> readEntry(Cursor& cursor) {
    const auto nameLength = cursor.takeLittleEndian(2);
    const auto name =
        nameLength ? cursor.take(static_cast<std::int64_t>(*nameLength)) : std::nullopt;
    if (!name)
        return std::nullopt;
    // A length with its top bit set reads as negative and so can never be taken.
    const auto dataLength = cursor.takeLittleEndian(8);
    const auto data =
        dataLength ? cursor.take(static_cast<std::int64_t>(*dataLength)) : std::nullopt;
    if (!data)
        return std::nullopt;
    return Entry{unicode::repairUtf8(asText(*name)), Bytes(data->begin(), data->end())};
}

void appendLittleEndian(Bytes& out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

std::optional<Bytes> pack(const std::vector<Entry>& entries) {
    if (entries.size() > kMaxEntryCount)
        return std::nullopt;
    std::size_t total = kHeaderSize;
    for (const auto& entry : entries) {
        if (entry.name.size() > kMaxNameSize)
            return std::nullopt;
        total += kMinEntrySize + entry.name.size() + entry.data.size();
    }
    Bytes out;
    out.reserve(total);
    out.insert(out.end(), magic.begin(), magic.end());
    out.push_back(version);
    appendLittleEndian(out, entries.size(), 4);
    for (const auto& entry : entries) {
        appendLittleEndian(out, entry.name.size(), 2);
        const auto name = asBytes(entry.name);
        out.insert(out.end(), name.begin(), name.end());
        appendLittleEndian(out, entry.data.size(), 8);
        out.insert(out.end(), entry.data.begin(), entry.data.end());
    }
    return out;
}

std::optional<std::vector<Entry>> unpack(ByteView bytes) {
    Cursor cursor(bytes);
    const auto head = cursor.take(static_cast<std::int64_t>(magic.size()));
    if (!head || !std::equal(head->begin(), head->end(), magic.begin()))
        return std::nullopt;
    const auto versionByte = cursor.takeLittleEndian(1);
    if (!versionByte || *versionByte != version)
        return std::nullopt;
    const auto count = cursor.takeLittleEndian(4);
    if (!count)
        return std::nullopt;
    std::vector<Entry> entries;
    if (*count == 0)
        return entries;
    // The count is untrusted: reserve no more than the remaining bytes could hold.
    entries.reserve(std::min<std::uint64_t>(*count, cursor.remaining() / kMinEntrySize));
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto entry = readEntry(cursor);
        if (!entry)
            return std::nullopt;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

} // namespace ks::PackArchive
