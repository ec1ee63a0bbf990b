#include "settings/defaults_file.h"

#include <cmath>
#include <cstdlib>

namespace {

bool sameValue(const ks::DefaultsEntry& a, const ks::DefaultsEntry& b) {
    const auto* left = std::get_if<ks::DefaultsValue>(&a);
    const auto* right = std::get_if<ks::DefaultsValue>(&b);
    if (!left || !right)
        return !left && !right;
    const auto* x = std::get_if<double>(left);
    const auto* y = std::get_if<double>(right);
    if (x && y && std::isnan(*x) && std::isnan(*y))
        return true;
    return *left == *right;
}

} // namespace

// Whatever the bytes, the reader answers without crashing; what it accepts, the writer
// writes, and reading that gives the same keys and the same typed values. (Values of other
// kinds are kept, but libplist may normalise them, say a date it cannot print.)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto entries = ks::parseDefaults(ks::ByteView(data, size));
    if (!entries)
        return 0;
    const auto written = ks::encodeDefaults(*entries);
    if (!written)
        std::abort();
    const auto again = ks::parseDefaults(*written);
    if (!again || again->size() != entries->size())
        std::abort();
    for (const auto& [key, entry] : *entries) {
        const auto found = again->find(key);
        if (found == again->end() || !sameValue(entry, found->second))
            std::abort();
    }
    return 0;
}
