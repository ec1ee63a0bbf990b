#pragma once

#include "library/wallpaper.h"
#include "ui/fan_view_model.h"
#include "ui/tween.h"

#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QSizeF>

#include <functional>
#include <memory>

class QPainter;

namespace ks {

// One wallpaper in the pack browser: its thumbnail with a soft shadow, the favourite and
// collection badges and the selection ring. Not a widget: the overlay draws every tile
// turned and scaled as it flies, so a tile paints itself centred on the painter's origin and
// answers which of its parts a point, in the same coordinates, falls on.
class FanTile {
public:
    enum class Part { none, picture, favoriteBadge, collectionBadge };

    // `changed` is called when the thumbnail arrives or the hover scale moves.
    FanTile(Wallpaper wallpaper, std::function<void()> changed);
    ~FanTile();
    FanTile(const FanTile&) = delete;
    FanTile& operator=(const FanTile&) = delete;

    const Wallpaper& wallpaper() const { return m_wallpaper; }
    // Asks the thumbnail cache once; a late answer for a tile that is gone is dropped.
    void load();
    bool hasPicture() const { return !m_image.isNull(); }

    void setHovering(bool hovering, double now);
    bool hovering() const { return m_hovering; }
    // 1.05 under the pointer.
    double hoverScale(double now) const { return m_hoverScale.value(now); }
    bool hoverSettled(double now) const { return m_hoverScale.settled(now); }

    // `size` is the tile's, already scaled to the grid; `selected` draws the ring.
    void paint(QPainter& painter, QSizeF size, const FanTileLook& look, bool selected) const;
    Part partAt(QPointF point, QSizeF size, const FanTileLook& look) const;

private:
    QRectF badgeCircle(int index, QSizeF size) const;
    const QPixmap& pictureFor(QSizeF size, double pixelRatio) const;

    Wallpaper m_wallpaper;
    std::function<void()> m_changed;
    QImage m_image;
    bool m_asked = false;
    bool m_hovering = false;
    Tween m_hoverScale{1};
    // The rounded, outlined picture at the tile's size, remade when the size changes.
    mutable QPixmap m_picture;
    mutable QSizeF m_pictureSize;
    std::shared_ptr<FanTile*> m_self = std::make_shared<FanTile*>(this);
};

} // namespace ks
