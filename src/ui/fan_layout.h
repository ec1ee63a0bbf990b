#pragma once

#include <cstddef>

namespace ks {

// Where the pack browser puts a pack's wallpapers over the settings window: the grid that fits,
// each tile's place, and how the tiles fly out of and back to the tile they came from.
// Points throughout.

struct FanMetrics {
    double tileWidth = 104;
    double tileHeight = 65;
    double spacing = 12;
    // Room kept above the grid for the header.
    double headerHeight = 64;
};

struct FanPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const FanPoint&, const FanPoint&) = default;
};

struct FanGrid {
    int columns = 3;
    int rows = 0;
    // Never above 1: tiles shrink to fit, never grow.
    double scale = 0;
    double tileWidth = 0;
    double tileHeight = 0;
    double gap = 0;
    double width = 0;
    double height = 0;
    double originX = 0;
    double originY = 0;
};

// The grid for `count` wallpapers in an overlay of `width` × `height`: 3 to 6 columns by the
// count, and 7 or 8 only when they allow strictly larger tiles.
FanGrid fitFanGrid(std::size_t count, double width, double height, const FanMetrics& metrics = {});
// The centre of wallpaper `index`'s cell, row by row.
FanPoint fanCellCentre(const FanGrid& grid, std::size_t index);
// The centre of its tick, 12 points in from the cell's top-left corner.
FanPoint fanTickCentre(const FanGrid& grid, std::size_t index);
// How long a tile waits before flying out: up to 0.14 s, the farther from the source the later.
double fanDelay(FanPoint cell, FanPoint source, double width, double height);
// The tilt of a gathered tile, repeating every five: -5, -2.5, 0, 2.5, 5 degrees.
double gatheredRotation(std::size_t index);
// The scale of a gathered tile, as wide as the source it sits on.
double gatheredScale(double sourceWidth, const FanGrid& grid);

} // namespace ks
