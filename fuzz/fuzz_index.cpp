#include "library/library_index.h"

#include <cstdlib>

// Whatever the bytes, the reader answers; and what it accepts, the writer reproduces.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto packs = ks::parseLibraryIndex(ks::ByteView(data, size));
    if (!packs)
        return 0;
    const std::string again = ks::serializeLibraryIndex(*packs);
    if (ks::parseLibraryIndex(ks::asBytes(again)) != packs)
        std::abort();
    return 0;
}
