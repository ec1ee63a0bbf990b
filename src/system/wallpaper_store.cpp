#include "system/wallpaper_store.h"

#include "base/file_io.h"
#include "base/locations.h"

#include <openssl/evp.h>
#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>

namespace ks {

namespace {

// A store holds a few entries per display; anything near this size is not one.
constexpr std::size_t kMaxStoreBytes = std::size_t{16} << 20;

// Seconds between the Unix epoch and the property-list epoch (2001-01-01).
constexpr std::int64_t kPlistEpoch = 978'307'200;

constexpr const char* kImageProvider = "com.apple.wallpaper.choice.image";
constexpr const char* kNull = "$null";

// Binary property lists, made once with Python's plistlib (see the tests for the content).
// {"backgroundColor": colour(65/255, 105/255, 170/255, 1), "placement": 1}
constexpr std::string_view kSonomaImageConfig =
    "YnBsaXN0MDDSAQIDDF8QD2JhY2tncm91bmRDb2xvcllwbGFjZW1lbnTSBAUGB1pjb2xvclNwYWNlWmNvbXBvbmVu"
    "dHNPEENicGxpc3QwMF8QF2tDR0NvbG9yU3BhY2VHZW5lcmljUkdCCAAAAAAAAAEBAAAAAAAAAAEAAAAAAAAAAAAA"
    "AAAAAAAipAgJCgsjP9BQUFBQUFAjP9paWlpaWlojP+VVVVVVVVUjP/AAAAAAAAAQAQgNHykuOUSKj5ihqrMAAAAA"
    "AAABAQAAAAAAAAANAAAAAAAAAAAAAAAAAAAAtQ==";
// {"values": {"color": {"color": {"_0": {"color": colour(…)}}},
//             "placement": {"picker": {"_0": {"id": "Crop"}}}}}
constexpr std::string_view kFillScreenOptions =
    "YnBsaXN0MDDRAQJWdmFsdWVz0gMEBRJVY29sb3JZcGxhY2VtZW500QMG0QcIUl8w0QMJ0goLDA1aY29sb3JTcGFj"
    "ZVpjb21wb25lbnRzTxBDYnBsaXN0MDBfEBdrQ0dDb2xvclNwYWNlR2VuZXJpY1JHQggAAAAAAAABAQAAAAAAAAAB"
    "AAAAAAAAAAAAAAAAAAAAIqQODxARIz9wFndgAAAAIz+QDegAAAAAIz+YFxegAAAAIz/wAAAAAAAA0RMUVnBpY2tl"
    "ctEHFdEWF1JpZFRDcm9wCAsSFx0nKi0wMzhDTpSZoqu0vcDHys3QAAAAAAAAAQEAAAAAAAAAGAAAAAAAAAAAAAAA"
    "AAAAANU=";

Bytes decodeBase64(std::string_view text) {
    Bytes bytes(text.size() / 4 * 3);
    const int length =
        EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    // EVP_DecodeBlock counts the padding as zero bytes.
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    bytes.resize(length < 0 ? 0 : static_cast<std::size_t>(length) - padding);
    return bytes;
}

plist_t stringNode(const std::string& text) {
    return plist_new_string(text.c_str());
}

plist_t dataNode(ByteView bytes) {
    static const char none = 0;
    return plist_new_data(bytes.empty() ? &none : reinterpret_cast<const char*>(bytes.data()),
                          bytes.size());
}

plist_t dateNode(SysTime when) {
    using namespace std::chrono;
    const std::int64_t micros =
        duration_cast<microseconds>(when.time_since_epoch()).count() - kPlistEpoch * 1'000'000;
    std::int64_t seconds = micros / 1'000'000;
    std::int64_t rest = micros % 1'000'000;
    if (rest < 0) {
        rest += 1'000'000;
        --seconds;
    }
    // libplist takes 32-bit seconds: dates beyond 1933…2069 are held at the ends.
    constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    if (seconds < low || seconds > high)
        rest = 0;
    seconds = std::clamp(seconds, low, high);
    return plist_new_date(static_cast<std::int32_t>(seconds), static_cast<std::int32_t>(rest));
}

plist_t dictNode(std::initializer_list<std::pair<const char*, plist_t>> items) {
    plist_t node = plist_new_dict();
    for (const auto& [key, value] : items)
        plist_dict_set_item(node, key, value);
    return node;
}

plist_t arrayNode(std::initializer_list<plist_t> items) {
    plist_t node = plist_new_array();
    for (plist_t item : items)
        plist_array_append_item(node, item);
    return node;
}

bool isType(const void* node, plist_type type) {
    return node && plist_get_node_type(static_cast<plist_t>(const_cast<void*>(node))) == type;
}

// The value of `key` in `node` when `node` is a dictionary and the value has `type`.
plist_t item(const void* node, const char* key, plist_type type) {
    if (!isType(node, PLIST_DICT))
        return nullptr;
    plist_t value = plist_dict_get_item(static_cast<plist_t>(const_cast<void*>(node)), key);
    return isType(value, type) ? value : nullptr;
}

std::optional<std::string> stringValue(plist_t node) {
    if (!isType(node, PLIST_STRING))
        return std::nullopt;
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text ? std::string(text, length) : std::string();
}

// The first element of a non-empty array whose every element is a dictionary; null otherwise.
plist_t firstOfDictionaries(plist_t node) {
    if (!isType(node, PLIST_ARRAY))
        return nullptr;
    const std::uint32_t size = plist_array_get_size(node);
    for (std::uint32_t i = 0; i < size; ++i)
        if (!isType(plist_array_get_item(node, i), PLIST_DICT))
            return nullptr;
    return size > 0 ? plist_array_get_item(node, 0) : nullptr;
}

plist_t choice(plist_t content, SysTime now) {
    return dictNode({{"Content", content}, {"LastSet", dateNode(now)}, {"LastUse", dateNode(now)}});
}

// The idle choice the store already has, else the default one.
PlistPtr idleChoice(plist_t store, SysTime now) {
    plist_t idle = item(item(store, "AllSpacesAndDisplays", PLIST_DICT), "Idle", PLIST_DICT);
    if (!idle)
        idle = item(item(store, "SystemDefault", PLIST_DICT), "Idle", PLIST_DICT);
    return idle ? PlistPtr(plist_copy(idle)) : defaultChoice(now);
}

} // namespace

std::filesystem::path defaultStorePath() {
    return Locations::dataHome() / "kestrane-wallpaper-agent" / "Store" / "Index.plist";
}

PlistPtr loadStore(const std::filesystem::path& file) {
    if (const auto bytes = readWholeFile(file, kMaxStoreBytes))
        return loadStore(*bytes);
    return PlistPtr(plist_new_dict());
}

PlistPtr loadStore(ByteView bytes) {
    PlistPtr store = parsePropertyList(bytes);
    // A store whose strings are not all UTF-8 could not be written back as it is (the binary
    // writer cuts such strings), so it is no store of ours.
    if (!isType(store.get(), PLIST_DICT) || !stringsAreUtf8(store.get()))
        store.reset(plist_new_dict());
    return store;
}

PlistPtr imageChoice(const FileUrl& url, const SystemVersion& version, SysTime now) {
    const std::string& absolute = url.absoluteString();
    plist_t provider = plist_new_dict();
    plist_t content = plist_new_dict();
    if (version.atLeast(26)) {
        const PlistPtr configuration(
            dictNode({{"type", stringNode("imageFile")},
                      {"url", dictNode({{"relative", stringNode(absolute)}})}}));
        const auto bytes = binaryPropertyList(configuration.get());
        plist_dict_set_item(provider, "Configuration", dataNode(bytes ? *bytes : Bytes()));
        plist_dict_set_item(provider, "Files", plist_new_array());
        plist_dict_set_item(provider, "Provider", stringNode(kImageProvider));
        plist_dict_set_item(content, "Choices", arrayNode({provider}));
        plist_dict_set_item(content, "EncodedOptionValues", dataNode(fillScreenOptions()));
    } else {
        plist_dict_set_item(provider, "Configuration", dataNode(sonomaImageConfig()));
        plist_dict_set_item(provider, "Files",
                            arrayNode({dictNode({{"relative", stringNode(absolute)}})}));
        plist_dict_set_item(provider, "Provider", stringNode(kImageProvider));
        plist_dict_set_item(content, "Choices", arrayNode({provider}));
    }
    plist_dict_set_item(content, "Shuffle", stringNode(kNull));
    return PlistPtr(choice(content, now));
}

PlistPtr defaultChoice(SysTime now) {
    plist_t provider = dictNode({{"Configuration", dataNode({})},
                                 {"Files", plist_new_array()},
                                 {"Provider", stringNode("default")}});
    plist_t content = dictNode({{"Choices", arrayNode({provider})},
                                {"EncodedOptionValues", stringNode(kNull)},
                                {"Shuffle", stringNode(kNull)}});
    return PlistPtr(choice(content, now));
}

std::optional<std::string> url(const void* entry) {
    plist_t content = item(item(entry, "Desktop", PLIST_DICT), "Content", PLIST_DICT);
    plist_t first = firstOfDictionaries(item(content, "Choices", PLIST_ARRAY));
    if (!first)
        return std::nullopt;
    if (plist_t file = firstOfDictionaries(item(first, "Files", PLIST_ARRAY)))
        if (auto relative = stringValue(item(file, "relative", PLIST_STRING)))
            return relative;
    plist_t configuration = item(first, "Configuration", PLIST_DATA);
    if (!configuration)
        return std::nullopt;
    std::uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(configuration, &length);
    if (!bytes)
        return std::nullopt;
    const PlistPtr parsed = parsePropertyList(
        ByteView(reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(length)));
    return stringValue(item(item(parsed.get(), "url", PLIST_DICT), "relative", PLIST_STRING));
}

void updateStore(void* storeNode, const FileUrl& primary, const DisplayList& displays,
                 const SystemVersion& version, SysTime now) {
    const auto store = static_cast<plist_t>(storeNode);
    if (!isType(store, PLIST_DICT))
        return;
    // Copied before the entries it comes from are replaced.
    const PlistPtr idle = idleChoice(store, now);
    const auto idleCopy = [&] { return plist_copy(static_cast<plist_t>(idle.get())); };
    const auto individual = [&](const FileUrl& url) {
        return dictNode(
            {{"Desktop", static_cast<plist_t>(imageChoice(url, version, now).release())},
             {"Idle", idleCopy()},
             {"Type", stringNode("individual")}});
    };

    plist_dict_set_item(store, "AllSpacesAndDisplays",
                        displays.empty()
                            ? individual(primary)
                            : dictNode({{"Idle", idleCopy()}, {"Type", stringNode("idle")}}));
    plist_dict_set_item(store, "Spaces", plist_new_dict());
    plist_t byUuid = plist_new_dict();
    for (const auto& display : displays)
        plist_dict_set_item(byUuid, display.uuid.c_str(), individual(display.url));
    plist_dict_set_item(store, "Displays", byUuid);

    if (!plist_dict_get_item(store, "SystemDefault")) {
        plist_dict_set_item(
            store, "SystemDefault",
            version.atLeast(26)
                ? dictNode({{"Linked", static_cast<plist_t>(defaultChoice(now).release())},
                            {"Type", stringNode("linked")}})
                : individual(primary));
    }
}

const Bytes& sonomaImageConfig() {
    static const Bytes bytes = decodeBase64(kSonomaImageConfig);
    return bytes;
}

const Bytes& fillScreenOptions() {
    static const Bytes bytes = decodeBase64(kFillScreenOptions);
    return bytes;
}

} // namespace ks
