#pragma once

#include "base/file_url.h"
#include "system/display_request.h"
#include "xorg_display.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks::e2e {

// One line of the agent's `--list-displays`.
struct AgentDisplay {
    std::string uuid;
    std::string output;
    std::string geometry;
};

// None when a line does not read as one.
std::optional<std::vector<AgentDisplay>> parseDisplayListing(const std::string& text);

// Where the agent run by `x` reads its store.
std::filesystem::path agentStorePath(const XorgDisplay& x);

// Writes the store the wallpaper writer would write for this request over the file's.
bool writeAgentStore(const std::filesystem::path& file, const FileUrl& primary,
                     const DisplayList& displays);

// Pictures in the format their extension names: one colour, or for checking a crop 1200x900
// of `body` with `bands` across the top and bottom 100 rows (cut away when a wider display
// is filled) and `side` down the left 60 columns (kept then).
bool writeSolidPicture(const std::filesystem::path& file, int width, int height, Rgb colour);
bool writeCropPicture(const std::filesystem::path& file, Rgb body, Rgb bands, Rgb side);

FileUrl fileUrl(const std::filesystem::path& path);

} // namespace ks::e2e
