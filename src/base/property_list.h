#pragma once

#include "base/bytes.h"

#include <functional>
#include <memory>
#include <optional>

namespace ks {

// Property lists through libplist, with the guards every reader of outside files needs.
// Nodes are libplist's `plist_t`, passed as `void*` so that users of this header need not
// include libplist's.

struct PlistDeleter {
    void operator()(void* node) const;
};
// Owns one libplist node tree.
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Parses an XML or binary property list. Null when the bytes are not one, and also when they
// nest deeper than 128 levels, expand (binary lists) into more than 1,000,000 nodes or refer
// to themselves, hold a NUL where libplist would cut or assert on it, or exceed 4 GiB: inputs
// on which libplist would exhaust the stack or the memory, or lose data silently. Runs in
// the C locale, so reals read the same under every user locale.
PlistPtr parsePropertyList(ByteView bytes);

// The tree as a binary / XML property list; none when libplist fails, and (binary lists) when
// a key or string is not valid UTF-8, which libplist's binary writer would cut short.
std::optional<Bytes> binaryPropertyList(const void* node);
std::optional<Bytes> xmlPropertyList(const void* node);

// Whether every key and string of the tree is valid UTF-8 (no surrogates, no overlong forms).
bool stringsAreUtf8(const void* node);

// Calls `visit` with each key and value of a dictionary node, in order, until it returns
// false. Nothing for a node that is no dictionary.
void forEachEntry(const void* dictionary,
                  const std::function<bool(const char* key, void* value)>& visit);

// Runs libplist calls in the C locale for the scope's lifetime (XML reals use atof/printf).
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    void* m_previous = nullptr;
};

} // namespace ks
