#include "library/pack_archive.h"

#include <algorithm>
#include <cstdlib>

// Whatever the bytes, the reader answers; what it accepts is written and read back alike,
// unless repairing a name made it too long for the name field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto entries = ks::PackArchive::unpack(ks::ByteView(data, size));
    if (!entries)
        return 0;
    const auto packed = ks::PackArchive::pack(*entries);
    if (!packed) {
        const bool nameTooLong = std::any_of(entries->begin(), entries->end(),
                                             [](const auto& e) { return e.name.size() > 65535; });
        if (!nameTooLong)
            std::abort();
        return 0;
    }
    if (ks::PackArchive::unpack(*packed) != entries)
        std::abort();
    return 0;
}
