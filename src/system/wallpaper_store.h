#pragma once

#include "base/bytes.h"
#include "base/clock.h"
#include "base/file_url.h"
#include "base/property_list.h"
#include "system/display_request.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ks {

// The wallpaper agent's store: a property list whose top level is a dictionary of entries
// ("AllSpacesAndDisplays", "Displays" by display UUID, "Spaces", "SystemDefault"), each
// entry holding choices of pictures. These functions build and read it; nodes are
// libplist's, owned by PlistPtr.

// $XDG_DATA_HOME/kestrane-wallpaper-agent/Store/Index.plist
std::filesystem::path defaultStorePath();

// The store's top-level dictionary; an empty dictionary when the file is missing,
// unreadable, not a property list or not a dictionary, or holds a string that is not UTF-8.
PlistPtr loadStore(const std::filesystem::path& file);
PlistPtr loadStore(ByteView bytes);

// A choice showing the picture at `url`, built at `now`.
PlistPtr imageChoice(const FileUrl& url, const SystemVersion& version, SysTime now);
// The platform's default choice, built at `now`.
PlistPtr defaultChoice(SysTime now);

// The picture URL string an entry shows: its first choice's first file, else the URL inside
// its configuration. None for a missing or malformed entry.
std::optional<std::string> url(const void* entry);

// Applies one request to `store` (a dictionary) as the writer does before saving it: the
// entry for every display and Space, the per-display entries, cleared Spaces, and a system
// default when there is none. Every other key is kept.
void updateStore(void* store, const FileUrl& primary, const DisplayList& displays,
                 const SystemVersion& version, SysTime now);

// The two constant blobs of image choices (binary property lists), decoded once.
const Bytes& sonomaImageConfig();
const Bytes& fillScreenOptions();

} // namespace ks
