#pragma once

#include "base/bytes.h"
#include "settings/user_defaults.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace ks {

// A stored value of a kind the typed reads do not know (a date, a nested dictionary, an
// array that holds more than strings, an integer beyond 64 signed bits). It is kept as the
// parsed node, so that rewriting the file never drops what someone else put there.
class ForeignValue {
public:
    // Takes ownership of a libplist node.
    explicit ForeignValue(void* node);
    void* node() const { return m_node.get(); }

private:
    // Never modified after parsing, so copies of an entry can share it.
    std::shared_ptr<void> m_node;
};

using DefaultsEntry = std::variant<DefaultsValue, ForeignValue>;
using DefaultsEntries = std::map<std::string, DefaultsEntry, std::less<>>;

// Reads an XML or binary property list whose root is a dictionary. None when the bytes are
// not such a list, and also when they nest deeper, or (binary lists only) expand into more
// nodes, than libplist can handle without exhausting the stack or the memory.
std::optional<DefaultsEntries> parseDefaults(ByteView bytes);

// The entries as an XML property list.
std::optional<Bytes> encodeDefaults(const DefaultsEntries& entries);

} // namespace ks
