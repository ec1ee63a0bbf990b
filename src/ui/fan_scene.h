#pragma once

#include "ui/fan_layout.h"
#include "ui/tween.h"

#include <cstddef>
#include <vector>

namespace ks {

struct FanRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    FanPoint centre() const { return {x + width / 2, y + height / 2}; }
    friend bool operator==(const FanRect&, const FanRect&) = default;
};

// Where a wallpaper tile of the pack browser is drawn at one moment: turned about its centre,
// scaled about it, placed by it.
struct FanTilePose {
    FanPoint centre;
    double rotation = 0;
    double scale = 1;
    double opacity = 1;
};

// The pack browser's motion without the toolkit: the grid for the overlay's size, every tile
// and layer on its way out (fanned) or back to the source it came from (gathered), read at
// any moment. Opening springs the tiles out one after another, nearest the source first;
// turning around midway starts from where things are.
class FanScene {
public:
    explicit FanScene(FanMetrics metrics = {}) : m_metrics(metrics) {}

    // Fits the grid for `count` wallpapers in `width` × `height` with the tiles flying from
    // and to `source`. Tiles at rest move there at once; tiles under way change course.
    void layOut(std::size_t count, double width, double height, FanRect source);
    void setFanned(bool fanned, double now);
    bool fanned() const { return m_fanned; }

    const FanGrid& grid() const { return m_grid; }
    std::size_t count() const { return m_tiles.size(); }
    FanTilePose tile(std::size_t index, double now) const;

    double backgroundOpacity(double now) const { return m_background.value(now); }
    double backButtonOpacity(double now) const { return m_backButton.value(now); }
    double headerOpacity(double now) const { return m_header.value(now); }
    double tickOpacity(double now) const { return m_ticks.value(now); }
    // The settings content behind, shrunk a little while the wallpapers are out.
    double contentScale(double now) const { return m_contentScale.value(now); }

    // Something still moves: the owner keeps drawing frames until this turns false.
    bool animating(double now) const;

private:
    struct TileTweens {
        Tween x, y, rotation, scale, opacity;
    };
    struct TileTarget {
        FanPoint centre;
        double rotation, scale, opacity;
    };
    TileTarget target(std::size_t index) const;

    FanMetrics m_metrics;
    FanGrid m_grid;
    FanRect m_source;
    double m_width = 0;
    double m_height = 0;
    bool m_fanned = false;
    std::vector<TileTweens> m_tiles;
    Tween m_background, m_backButton, m_header, m_ticks;
    Tween m_contentScale{1};
};

} // namespace ks
