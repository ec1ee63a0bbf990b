#include "settings/uuid.h"

#include "base/uuid_text.h"

#include <random>

namespace ks {

std::string makeUUID() {
    // random_device reads the kernel's generator on Linux, so ids stay unpredictable and
    // distinct across processes without any seeding of our own.
    std::random_device device;
    UuidBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = device();
        for (std::size_t j = 0; j < 4; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    return uuidText(bytes, 4);
}

} // namespace ks
