#include "settings/defaults_file.h"

#include "base/property_list.h"

#include <plist/plist.h>

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace ks {

namespace {

// --- Nodes to values and back ----------------------------------------------------------------

// libplist keeps every integer in 64 bits and marks the ones beyond the signed range apart
// without showing it; such a number prints without a minus sign although its top bit is set.
bool isLargeUnsigned(plist_t node) {
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return false;
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    const bool negative =
        xml && std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
    plist_to_xml_free(xml);
    return !negative;
}

std::optional<DefaultsValue> typedValue(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return DefaultsValue(value != 0);
    }
    case PLIST_UINT: {
        if (isLargeUnsigned(node))
            return std::nullopt;
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return DefaultsValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return DefaultsValue(value);
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return DefaultsValue(std::string(text ? text : "", text ? length : 0));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* data = plist_get_data_ptr(node, &length);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        return DefaultsValue(data ? Bytes(bytes, bytes + length) : Bytes());
    }
    case PLIST_ARRAY: {
        std::vector<std::string> strings;
        const std::uint32_t size = plist_array_get_size(node);
        strings.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            plist_t item = plist_array_get_item(node, i);
            if (!item || plist_get_node_type(item) != PLIST_STRING)
                return std::nullopt;
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(item, &length);
            strings.emplace_back(text ? text : "", text ? length : 0);
        }
        return DefaultsValue(std::move(strings));
    }
    default:
        return std::nullopt;
    }
}

plist_t makeNode(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> plist_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return plist_new_bool(v ? 1 : 0);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                // Written as a signed number: libplist prints 64-bit integers signed.
                return plist_new_uint(static_cast<std::uint64_t>(v));
            } else if constexpr (std::is_same_v<T, double>) {
                return plist_new_real(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return plist_new_string(v.c_str());
            } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
                plist_t array = plist_new_array();
                for (const auto& text : v)
                    plist_array_append_item(array, plist_new_string(text.c_str()));
                return array;
            } else {
                static const char none = 0;
                const char* data = v.empty() ? &none : reinterpret_cast<const char*>(v.data());
                return plist_new_data(data, v.size());
            }
        },
        value);
}

} // namespace

ForeignValue::ForeignValue(void* node) : m_node(node, PlistDeleter{}) {}

std::optional<DefaultsEntries> parseDefaults(ByteView bytes) {
    PlistPtr root = parsePropertyList(bytes);
    const auto parsed = static_cast<plist_t>(root.get());
    if (!root || plist_get_node_type(parsed) != PLIST_DICT)
        return std::nullopt;

    DefaultsEntries entries;
    forEachEntry(parsed, [&](const char* key, void* item) {
        const auto node = static_cast<plist_t>(item);
        std::string name = key ? key : "";
        if (auto value = typedValue(node))
            entries.insert_or_assign(std::move(name), DefaultsEntry(std::move(*value)));
        else
            entries.insert_or_assign(std::move(name),
                                     DefaultsEntry(ForeignValue(plist_copy(node))));
        return true;
    });
    return entries;
}

std::optional<Bytes> encodeDefaults(const DefaultsEntries& entries) {
    PlistPtr root(plist_new_dict());
    for (const auto& [key, entry] : entries) {
        plist_t node = nullptr;
        if (const auto* value = std::get_if<DefaultsValue>(&entry))
            node = makeNode(*value);
        else
            node = plist_copy(static_cast<plist_t>(std::get<ForeignValue>(entry).node()));
        plist_dict_set_item(root.get(), key.c_str(), node);
    }
    return xmlPropertyList(root.get());
}

} // namespace ks
