#include "base/property_list.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string_view>
#include <vector>

namespace ks {

namespace {

// libplist recurses once per level when it reads binary lists, writes and copies; far below
// the depth that exhausts a thread's stack, and far above anything a settings file needs.
constexpr std::size_t kMaxDepth = 128;
// Binary lists may refer to one object many times, and libplist copies it each time.
constexpr std::uint64_t kMaxBinaryNodes = 1'000'000;

// --- Nesting of XML lists, measured before libplist sees them -------------------------------

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

bool xmlNestsTooDeep(std::string_view text) {
    std::size_t depth = 0;
    std::size_t pos = 0;
    const auto startsWith = [&](std::size_t at, std::string_view what) {
        return text.substr(at, what.size()) == what;
    };
    const auto opensTag = [&](std::size_t at, std::string_view name) {
        return startsWith(at, name) &&
               (at + name.size() >= text.size() || !isNameChar(text[at + name.size()]));
    };
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (startsWith(pos, "!--")) {
            pos = text.find("-->", pos);
        } else if (startsWith(pos, "![CDATA[")) {
            pos = text.find("]]>", pos);
        } else if (opensTag(pos, "/array") || opensTag(pos, "/dict")) {
            depth -= depth > 0 ? 1 : 0;
        } else if (opensTag(pos, "array") || opensTag(pos, "dict")) {
            const std::size_t end = text.find('>', pos);
            if (end == std::string_view::npos)
                return false; // unterminated: libplist rejects it
            if (text[end - 1] != '/' && ++depth > kMaxDepth)
                return true;
            pos = end;
        }
        if (pos == std::string_view::npos)
            return false;
    }
    return false;
}

// --- Shape of binary lists, measured before libplist sees them ------------------------------

class BinaryShape {
public:
    explicit BinaryShape(ByteView bytes) : m_bytes(bytes) {}

    // Whether the object graph is well formed, acyclic, at most kMaxDepth deep and expands
    // into at most kMaxBinaryNodes nodes.
    bool acceptable() {
        constexpr std::size_t kHeader = 8, kTrailer = 32;
        if (m_bytes.size() < kHeader + kTrailer)
            return false;
        const std::size_t trailer = m_bytes.size() - kTrailer;
        m_offsetSize = m_bytes[trailer + 6];
        m_refSize = m_bytes[trailer + 7];
        const auto count = readUInt(trailer + 8, 8);
        const auto top = readUInt(trailer + 16, 8);
        const auto table = readUInt(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || !count ||
            !top || !table || *count == 0 || *count > m_bytes.size() || *top >= *count ||
            *table > trailer || (trailer - *table) / m_offsetSize < *count)
            return false;
        m_objects = static_cast<std::size_t>(*count);
        m_table = static_cast<std::size_t>(*table);
        m_limit = m_table; // objects live between the header and the offset table

        // Post-order walk with an explicit stack, remembering each object's height and size.
        std::vector<Info> info(m_objects);
        struct Frame {
            std::size_t object;
            std::size_t next = 0;
        };
        std::vector<Frame> stack{{static_cast<std::size_t>(*top)}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            Info& current = info[frame.object];
            if (current.state == State::unseen) {
                const auto children = childrenOf(frame.object);
                if (!children)
                    return false;
                current.refs = children->first;
                current.children = children->second;
                current.state = State::open;
                current.height = 1;
                current.nodes = 1;
            }
            if (frame.next < current.children) {
                const auto child = readUInt(current.refs + frame.next * m_refSize, m_refSize);
                ++frame.next;
                if (!child || *child >= m_objects)
                    return false;
                Info& next = info[static_cast<std::size_t>(*child)];
                if (next.state == State::open)
                    return false; // a cycle
                if (next.state == State::unseen) {
                    if (stack.size() >= kMaxDepth)
                        return false;
                    stack.push_back({static_cast<std::size_t>(*child)});
                    continue;
                }
                current.height = std::max(current.height, next.height + 1);
                current.nodes = std::min(current.nodes + next.nodes, kMaxBinaryNodes + 1);
                if (current.height > kMaxDepth || current.nodes > kMaxBinaryNodes)
                    return false;
                continue;
            }
            current.state = State::done;
            const std::size_t finished = frame.object;
            stack.pop_back();
            if (!stack.empty()) {
                Info& parent = info[stack.back().object];
                parent.height = std::max(parent.height, info[finished].height + 1);
                parent.nodes = std::min(parent.nodes + info[finished].nodes, kMaxBinaryNodes + 1);
                if (parent.height > kMaxDepth || parent.nodes > kMaxBinaryNodes)
                    return false;
            }
        }
        return true;
    }

private:
    enum class State : std::uint8_t { unseen, open, done };
    struct Info {
        State state = State::unseen;
        std::size_t refs = 0;
        std::size_t children = 0;
        std::size_t height = 0;
        std::uint64_t nodes = 0;
    };

    std::optional<std::uint64_t> readUInt(std::size_t at, std::size_t size) const {
        if (size == 0 || size > 8 || at > m_bytes.size() || m_bytes.size() - at < size)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | m_bytes[at + i];
        return value;
    }

    struct Object {
        std::uint8_t kind = 0;
        std::uint64_t count = 0;
        std::size_t payload = 0; // where its bytes or references start
    };

    std::optional<Object> objectAt(std::size_t object) const {
        const auto offset = readUInt(m_table + object * m_offsetSize, m_offsetSize);
        if (!offset || *offset < 8 || *offset >= m_limit)
            return std::nullopt;
        std::size_t at = static_cast<std::size_t>(*offset);
        const std::uint8_t marker = m_bytes[at++];
        Object result{static_cast<std::uint8_t>(marker >> 4), marker & 0x0Fu, at};
        const bool counted = result.kind == 0x4 || result.kind == 0x5 || result.kind == 0x6 ||
                             result.kind == 0xA || result.kind == 0xC || result.kind == 0xD;
        if (counted && result.count == 0x0F) {
            if (at >= m_limit || (m_bytes[at] >> 4) != 0x1)
                return std::nullopt;
            const std::size_t size = std::size_t{1} << (m_bytes[at] & 0x0F);
            const auto value = readUInt(at + 1, size);
            if (!value)
                return std::nullopt;
            result.count = *value;
            result.payload = at + 1 + size;
        }
        return result;
    }

    // libplist keeps strings as C strings: it asserts on a key that holds a NUL and cuts
    // values short at one, so lists with such strings are refused whole.
    bool stringHoldsNul(const Object& object) const {
        const std::uint64_t units = object.count;
        const std::size_t unitSize = object.kind == 0x6 ? 2 : 1;
        if (object.payload > m_limit || units > (m_limit - object.payload) / unitSize)
            return true; // runs past the objects: malformed
        for (std::uint64_t i = 0; i < units; ++i) {
            const std::size_t at = object.payload + static_cast<std::size_t>(i) * unitSize;
            if (m_bytes[at] == 0 && (unitSize == 1 || m_bytes[at + 1] == 0))
                return true;
        }
        return false;
    }

    // Where an object's references start and how many there are (none for scalars). None
    // for objects that are malformed, or strings libplist would mangle.
    std::optional<std::pair<std::size_t, std::size_t>> childrenOf(std::size_t index) const {
        const auto object = objectAt(index);
        if (!object)
            return std::nullopt;
        if (object->kind == 0x5 || object->kind == 0x6) {
            if (stringHoldsNul(*object))
                return std::nullopt;
            return std::pair<std::size_t, std::size_t>{0, 0};
        }
        if (object->kind != 0xA && object->kind != 0xC && object->kind != 0xD)
            return std::pair<std::size_t, std::size_t>{0, 0};
        const std::uint64_t refs = object->kind == 0xD ? object->count * 2 : object->count;
        if (object->count > m_limit || object->payload > m_limit ||
            (m_limit - object->payload) / m_refSize < refs)
            return std::nullopt;
        if (object->kind == 0xD) {
            // Keys must be strings; libplist asserts on others.
            for (std::uint64_t i = 0; i < object->count; ++i) {
                const auto key = readUInt(object->payload + i * m_refSize, m_refSize);
                if (!key || *key >= m_objects)
                    return std::nullopt;
                const auto keyObject = objectAt(static_cast<std::size_t>(*key));
                if (!keyObject || (keyObject->kind != 0x5 && keyObject->kind != 0x6))
                    return std::nullopt;
            }
        }
        return std::pair<std::size_t, std::size_t>{object->payload, static_cast<std::size_t>(refs)};
    }

    ByteView m_bytes;
    std::size_t m_offsetSize = 0;
    std::size_t m_refSize = 0;
    std::size_t m_objects = 0;
    std::size_t m_table = 0;
    std::size_t m_limit = 0;
};

} // namespace

void PlistDeleter::operator()(void* node) const {
    plist_free(static_cast<plist_t>(node));
}

// libplist reads XML reals with atof and so with the process's locale: under a locale with a
// decimal comma "1.5" would read as 1. Its calls run in the C locale instead.
CLocaleScope::CLocaleScope() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (c)
        m_previous = uselocale(c);
}

CLocaleScope::~CLocaleScope() {
    if (m_previous)
        uselocale(static_cast<locale_t>(m_previous));
}

PlistPtr parsePropertyList(ByteView bytes) {
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (length < 8)
        return nullptr;
    if (plist_is_binary(data, length)) {
        if (!BinaryShape(bytes).acceptable())
            return nullptr;
    } else if (asText(bytes).find('\0') != std::string_view::npos ||
               xmlNestsTooDeep(asText(bytes))) {
        // XML may not hold a NUL at all, and libplist would keep one inside a string only to
        // cut the string short there when writing it (or assert, inside a key).
        return nullptr;
    }
    plist_t parsed = nullptr;
    {
        CLocaleScope locale;
        plist_from_memory(data, length, &parsed);
    }
    return PlistPtr(parsed);
}

namespace {

bool isUtf8(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t lead = byte(i);
        std::size_t length = 1;
        std::uint8_t low = 0x80, high = 0xBF; // the range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
                return false;
        i += length;
    }
    return true;
}

bool stringIsUtf8(plist_t node) {
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return !text || isUtf8(std::string_view(text, length));
}

template <typename Write, typename Free>
std::optional<Bytes> serialise(const void* node, Write write, Free release) {
    if (!node)
        return std::nullopt;
    char* out = nullptr;
    std::uint32_t length = 0;
    {
        CLocaleScope locale;
        write(static_cast<plist_t>(const_cast<void*>(node)), &out, &length);
    }
    if (!out)
        return std::nullopt;
    const auto* begin = reinterpret_cast<const std::uint8_t*>(out);
    Bytes bytes(begin, begin + length);
    release(out);
    return bytes;
}

} // namespace

std::optional<Bytes> binaryPropertyList(const void* node) {
    if (!stringsAreUtf8(node))
        return std::nullopt;
    return serialise(node, plist_to_bin, plist_to_bin_free);
}

std::optional<Bytes> xmlPropertyList(const void* node) {
    return serialise(node, plist_to_xml, plist_to_xml_free);
}

bool stringsAreUtf8(const void* root) {
    // Without recursion: trees built in code have no depth limit.
    std::vector<plist_t> pending{static_cast<plist_t>(const_cast<void*>(root))};
    while (!pending.empty()) {
        const plist_t node = pending.back();
        pending.pop_back();
        switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            if (!stringIsUtf8(node))
                return false;
            break;
        case PLIST_ARRAY:
            for (std::uint32_t i = 0, size = plist_array_get_size(node); i < size; ++i)
                pending.push_back(plist_array_get_item(node, i));
            break;
        case PLIST_DICT: {
            bool valid = true;
            forEachEntry(node, [&](const char* key, void* value) {
                valid = key && isUtf8(key);
                pending.push_back(static_cast<plist_t>(value));
                return valid;
            });
            if (!valid)
                return false;
            break;
        }
        default:
            break;
        }
    }
    return true;
}

void forEachEntry(const void* dictionary,
                  const std::function<bool(const char* key, void* value)>& visit) {
    const auto node = static_cast<plist_t>(const_cast<void*>(dictionary));
    if (!node || plist_get_node_type(node) != PLIST_DICT)
        return;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    if (!iterator)
        return;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        const bool goOn = value && visit(key, value);
        std::free(key);
        if (!goOn)
            break;
    }
    std::free(iterator);
}

} // namespace ks
