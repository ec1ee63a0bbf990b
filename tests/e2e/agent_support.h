#pragma once

#include "base/file_url.h"
#include "system/display_request.h"
#include "xorg_display.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks::e2e {

// One line of the agent's `--list-displays`: UUID, output name and geometry.
struct AgentDisplay {
    std::string uuid;
    std::string output;
    std::string geometry;
};

// Every line of `--list-displays`; none when a line does not read as one.
std::optional<std::vector<AgentDisplay>> parseDisplayListing(const std::string& text);

// Where the agent run by `x` reads its store by default.
std::filesystem::path agentStorePath(const XorgDisplay& x);

// Writes the store the wallpaper writer would write for this request, over whatever the
// file held.
bool writeAgentStore(const std::filesystem::path& file, const FileUrl& primary,
                     const DisplayList& displays);

// A picture of one colour, saved in the format its extension names (.jpg or .png).
bool writeSolidPicture(const std::filesystem::path& file, int width, int height, Rgb colour);

// A picture for checking a fill-the-display crop: `body` all over, with `bands` across the
// top and the bottom `bandHeight` rows (cut away when a wider display is filled) and `side`
// down the left `sideWidth` columns (kept then).
struct CropPicture {
    int width = 1200;
    int height = 900;
    Rgb body;
    Rgb bands;
    int bandHeight = 100;
    Rgb side;
    int sideWidth = 60;
};
bool writeCropPicture(const std::filesystem::path& file, const CropPicture& picture);

FileUrl fileUrl(const std::filesystem::path& path);

} // namespace ks::e2e
