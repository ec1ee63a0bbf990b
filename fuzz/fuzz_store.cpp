#include "system/wallpaper_store.h"

#include <plist/plist.h>

#include <cstdlib>

namespace {

const ks::FileUrl kPrimary = *ks::FileUrl::fromPath("/p/primary picture.jpg");
const ks::DisplayList kDisplays{{"UUID-1", *ks::FileUrl::fromPath("/p/one.jpg")},
                                {"UUID-2", *ks::FileUrl::fromPath("/p/two.jpg")}};

plist_t item(const void* dict, const char* key) {
    const auto node = static_cast<plist_t>(const_cast<void*>(dict));
    return plist_get_node_type(node) == PLIST_DICT ? plist_dict_get_item(node, key) : nullptr;
}

// The URL of every top-level entry and of every display's entry.
void readEveryEntry(const void* store) {
    const auto dict = static_cast<plist_t>(const_cast<void*>(store));
    for (const char* key : {"AllSpacesAndDisplays", "SystemDefault", "Spaces", "Displays"})
        (void)ks::url(item(dict, key));
    plist_t displays = item(dict, "Displays");
    if (plist_get_node_type(displays) != PLIST_DICT)
        return;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(displays, &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(displays, it, &key, &value);
        std::free(key);
        if (!value)
            break;
        (void)ks::url(value);
    }
    std::free(it);
}

} // namespace

// Whatever the bytes, the store loads as a dictionary and every entry's URL reads without
// crashing; the writer's update of it serialises, and reading that back shows the new picture.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ks::PlistPtr store = ks::loadStore(ks::ByteView(data, size));
    if (!store || plist_get_node_type(static_cast<plist_t>(store.get())) != PLIST_DICT)
        std::abort();
    readEveryEntry(store.get());

    // The last byte picks the branch: the system version and whether displays are named.
    const std::uint8_t pick = size ? data[size - 1] : 0;
    const ks::SystemVersion version{pick & 1 ? 26 : 15, 0, "fuzz"};
    const ks::DisplayList displays = pick & 2 ? kDisplays : ks::DisplayList();
    ks::updateStore(store.get(), kPrimary, displays, version, ks::SysTime());
    const auto bytes = ks::binaryPropertyList(store.get());
    if (!bytes)
        std::abort();
    const ks::PlistPtr again = ks::loadStore(*bytes);
    readEveryEntry(again.get());
    const auto shown = displays.empty() ? ks::url(item(again.get(), "AllSpacesAndDisplays"))
                                        : ks::url(item(item(again.get(), "Displays"), "UUID-1"));
    const auto& expected = displays.empty() ? kPrimary : displays.front().url;
    if (shown != expected.absoluteString())
        std::abort();
    return 0;
}
