#pragma once

#include "base/file_url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// A display as the platform lists it. `number` is the platform's 32-bit display id (the
// RandR output on X11); a display may have none.
struct DisplayHandle {
    std::optional<std::uint32_t> number;
    std::string name;

    friend bool operator==(const DisplayHandle&, const DisplayHandle&) = default;
};

// A per-display request: which picture goes on which display, in order.
struct DisplayPicture {
    DisplayHandle display;
    FileUrl url;
};
using PerDisplayRequest = std::vector<DisplayPicture>;

} // namespace ks
