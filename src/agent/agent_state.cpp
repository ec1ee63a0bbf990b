#include "agent/agent_state.h"

#include "base/file_io.h"
#include "base/locations.h"
#include "base/log.h"
#include "base/property_list.h"

#include <algorithm>
#include <plist/plist.h>

namespace ks {

namespace {

constexpr std::size_t kMaxStateBytes = std::size_t{16} << 20;

bool writeFile(const std::filesystem::path& file, ByteView bytes) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    return replaceFileAtomically(file, bytes);
}

bool sameBytes(const std::optional<Bytes>& current, ByteView expected) {
    return current && std::ranges::equal(*current, expected);
}

} // namespace

std::filesystem::path agentDataDir() {
    return Locations::dataHome() / "kestrane-wallpaper-agent";
}

AgentFiles agentFiles(const std::optional<std::filesystem::path>& store) {
    const auto dir = agentDataDir();
    const auto storeFile = store ? *store : dir / "Store" / "Index.plist";
    return {storeFile, storeFile.parent_path() / "Applied.plist", dir / "Shown.plist"};
}

ShownPictures loadShownPictures(const std::filesystem::path& file) {
    ShownPictures shown;
    const auto bytes = readWholeFile(file, kMaxStateBytes);
    const PlistPtr root = bytes ? parsePropertyList(*bytes) : nullptr;
    const auto node = static_cast<plist_t>(root.get());
    if (!node || plist_get_node_type(node) != PLIST_DICT)
        return shown;
    forEachEntry(node, [&](const char* key, void* value) {
        const auto item = static_cast<plist_t>(value);
        std::uint64_t length = 0;
        const char* text = plist_get_node_type(item) == PLIST_STRING
                               ? plist_get_string_ptr(item, &length)
                               : nullptr;
        if (key && text)
            shown[key] = std::string(text, length);
        return true;
    });
    return shown;
}

bool saveShownPictures(const std::filesystem::path& file, const ShownPictures& shown) {
    const PlistPtr root(plist_new_dict());
    for (const auto& [uuid, url] : shown)
        plist_dict_set_item(static_cast<plist_t>(root.get()), uuid.c_str(),
                            plist_new_string(url.c_str()));
    const auto bytes = binaryPropertyList(root.get());
    return bytes && writeFile(file, *bytes);
}

bool rememberAppliedStore(const AgentFiles& files, ByteView bytes) {
    return writeFile(files.applied, bytes);
}

std::string putBackRejectedStore(const AgentFiles& files, ByteView rejected) {
    // Only what this run read is undone; a newer store is the next run's business.
    if (!sameBytes(readWholeFile(files.store, kMaxStateBytes), rejected))
        return "the store changed after it was read; left as it is";
    if (const auto applied = readWholeFile(files.applied, kMaxStateBytes)) {
        if (std::ranges::equal(*applied, rejected))
            return "it is the store applied last; left in place";
        if (!replaceFileAtomically(files.store, *applied))
            return "couldn't put back the last applied store";
        return "put back the last applied store";
    }
    auto aside = files.store;
    aside += ".rejected";
    std::error_code error;
    std::filesystem::rename(files.store, aside, error);
    if (error)
        return "couldn't move it aside: " + error.message();
    return "moved it to " + aside.string();
}

} // namespace ks
