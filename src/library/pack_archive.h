#pragma once

#include "base/bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks::PackArchive {

inline constexpr std::array<std::uint8_t, 4> magic{'K', 'S', 'P', 'K'};
inline constexpr std::uint8_t version = 1;

struct Entry {
    std::string name;
    Bytes data;
    friend bool operator==(const Entry&, const Entry&) = default;
};

// The archive of `entries`, in order. None when a name is 65536 bytes or longer or there
// are more entries than the count field holds: such an archive could not be read back.
std::optional<Bytes> pack(const std::vector<Entry>& entries);

// The entries of a well-formed version-1 archive, in order; none for anything else.
// Invalid UTF-8 in names is repaired with U+FFFD.
std::optional<std::vector<Entry>> unpack(ByteView bytes);

} // namespace ks::PackArchive
