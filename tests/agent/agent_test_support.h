#pragma once

#include "base/file_io.h"
#include "base/property_list.h"
#include "library/test_images.h"
#include "support/temp_home.h"
#include "system/wallpaper_store.h"

#include <filesystem>
#include <plist/plist.h>

namespace ks::test {

// A private home for the agent with no desktop and no X server, so that each test picks
// its backend itself.
class AgentHome : public TempHome {
public:
    AgentHome() {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                                 "KESTRANE_WALLPAPER_COMMAND", "GSETTINGS_BACKEND"})
            unsetVar(name);
        setVar("KESTRANE_NO_SYSLOG", "1");
    }

    std::filesystem::path store() const {
        return dataHome() / "kestrane-wallpaper-agent" / "Store" / "Index.plist";
    }

    // A picture of one colour in `name` under the home.
    FileUrl picture(const std::string& name, std::vector<double> rgb, int width = 64,
                    int height = 48) const {
        const auto path = root() / name;
        std::filesystem::create_directories(path.parent_path());
        const Bytes bytes = encode(solid(width, height, std::move(rgb)), ".png");
        replaceFileAtomically(path, bytes);
        return *FileUrl::fromPath(path);
    }

    // Writes the store the writer writes for this request; returns its bytes.
    Bytes writeStore(const FileUrl& primary, const DisplayList& displays = {}) const {
        PlistPtr tree(plist_new_dict());
        updateStore(tree.get(), primary, displays, {15, 0, "test"}, SysTime{});
        const Bytes bytes = *binaryPropertyList(tree.get());
        std::filesystem::create_directories(store().parent_path());
        replaceFileAtomically(store(), bytes);
        return bytes;
    }
};

} // namespace ks::test
