#include "ui/fan_layout.h"

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

struct Trial {
    int columns;
    double scale;
};

Trial trial(std::size_t count, int columns, double availW, double availH, const FanMetrics& m) {
    const auto rows = static_cast<double>((count + columns - 1) / columns);
    const double gridW = columns * m.tileWidth + (columns - 1) * m.spacing;
    const double gridH = rows * m.tileHeight + (rows - 1) * m.spacing;
    // No rows gives a negative height and so a scale of 0: nothing to draw.
    const double scale = std::max(std::min({availW / gridW, availH / gridH, 1.0}), 0.0);
    return {columns, std::isfinite(scale) ? scale : 0.0};
}

} // namespace

FanGrid fitFanGrid(std::size_t count, double width, double height, const FanMetrics& m) {
    const double availW = width - 40;
    const double availH = height - m.headerHeight - 48;
    Trial best =
        trial(count, static_cast<int>(std::clamp<std::size_t>(count, 3, 6)), availW, availH, m);
    for (const int wider : {7, 8})
        if (count >= static_cast<std::size_t>(wider)) {
            const Trial next = trial(count, wider, availW, availH, m);
            if (next.scale > best.scale)
                best = next;
        }

    FanGrid grid;
    grid.columns = best.columns;
    grid.rows = static_cast<int>((count + best.columns - 1) / best.columns);
    grid.scale = best.scale;
    grid.tileWidth = m.tileWidth * grid.scale;
    grid.tileHeight = m.tileHeight * grid.scale;
    grid.gap = m.spacing * grid.scale;
    grid.width = grid.columns * grid.tileWidth + (grid.columns - 1) * grid.gap;
    grid.height = grid.rows * grid.tileHeight + (grid.rows - 1) * grid.gap;
    grid.originX = (width - grid.width) / 2;
    grid.originY = std::max((height - grid.height - m.headerHeight) / 2, 24.0) + m.headerHeight;
    return grid;
}

FanPoint fanCellCentre(const FanGrid& grid, std::size_t index) {
    const FanPoint corner = fanTickCentre(grid, index);
    return {corner.x - 12 + grid.tileWidth / 2, corner.y - 12 + grid.tileHeight / 2};
}

FanPoint fanTickCentre(const FanGrid& grid, std::size_t index) {
    const auto columns = static_cast<std::size_t>(std::max(grid.columns, 1));
    const auto column = static_cast<double>(index % columns);
    const auto row = static_cast<double>(index / columns);
    return {grid.originX + column * (grid.tileWidth + grid.gap) + 12,
            grid.originY + row * (grid.tileHeight + grid.gap) + 12};
}

double fanDelay(FanPoint cell, FanPoint source, double width, double height) {
    const double distance = std::hypot(cell.x - source.x, cell.y - source.y);
    const double diagonal = std::max(std::hypot(width, height), 1.0);
    return 0.14 * std::min(distance / diagonal, 1.0);
}

double gatheredRotation(std::size_t index) {
    return (static_cast<double>(index % 5) - 2) * 2.5;
}

double gatheredScale(double sourceWidth, const FanGrid& grid) {
    return grid.tileWidth > 0 ? sourceWidth / grid.tileWidth : 0;
}

} // namespace ks
