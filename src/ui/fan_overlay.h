#pragma once

#include "base/main_loop.h"
#include "library/pack.h"
#include "ui/fan_scene.h"
#include "ui/fan_view_model.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QGraphicsOpacityEffect;
class QShortcut;

namespace ks {

class FanBackButton;
class FanTile;
class Library;
class MiniToggle;
class SettingsStore;

struct FanOverlayInputs {
    SettingsStore& settings;
    const Library& library;
    MainLoop& loop;
    // Sets the wallpaper now; the overlay stays open.
    std::function<void(const Wallpaper&)> onPick;
    // Offers the wallpaper's collections at the pointer.
    std::function<void(const Wallpaper&)> onCollectionsMenu;
    std::function<void()> onClose;
};

// A pack's wallpapers fanned out over the settings content: they fly out of the pack's tile
// (or a collection's chip) into a centred grid, each with its tick, badges and a click that
// sets it. The content behind is drawn from a snapshot, shrunk a little and veiled.
class FanOverlay final : public QWidget {
public:
    FanOverlay(FanOverlayInputs inputs, QWidget* parent);
    ~FanOverlay() override;

    // Another pack starts gathered at the source.
    void setPack(const Pack& pack);
    const Pack& pack() const { return m_pack; }
    // Where the wallpapers fly out of and back to, in the overlay's coordinates.
    void setSource(const QRect& source);
    void setFanned(bool fanned);
    bool fanned() const { return m_scene.fanned(); }
    // What lies behind: the settings content as it is drawn now.
    void setBackdrop(QPixmap content);
    // The store changed: ticks, badges and rings follow.
    void refresh();

    const FanScene& scene() const { return m_scene; }
    double now() const;
    bool animating() const { return m_scene.animating(now()); }
    // Where wallpaper `index` sits once fanned out, for the pointer.
    QRectF cellRect(std::size_t index) const;
    QPointF tickCentre(std::size_t index) const;
    const std::vector<std::unique_ptr<FanTile>>& tiles() const { return m_tiles; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What a point of the overlay falls on, topmost first.
    struct Hit {
        enum class Kind { background, tick, tile, favoriteBadge, collectionBadge };
        Kind kind = Kind::background;
        std::size_t index = 0;
        friend bool operator==(const Hit&, const Hit&) = default;
    };
    Hit hitAt(QPointF point) const;
    std::string helpAt(const Hit& hit) const;
    void act(const Hit& hit);
    void hover(std::optional<std::size_t> tile);
    void clearHover();
    void layOut();
    void placeHeader();
    void animate();
    void paintBackdrop(QPainter& painter, double t) const;
    void composeBackdrop(QPainter& painter, double scale, double veil) const;
    void paintHeader(QPainter& painter, double t) const;
    void paintTiles(QPainter& painter, double t) const;
    void paintTicks(QPainter& painter, double t) const;
    FanTileLook lookOf(std::size_t index) const;
    QRectF headerRect() const;

    FanOverlayInputs m_in;
    Pack m_pack;
    FanRect m_source;
    FanScene m_scene;
    std::vector<std::unique_ptr<FanTile>> m_tiles;
    // Each tile's look (as if not under the pointer) and tick, as the store has them now.
    std::vector<FanTileLook> m_looks;
    std::vector<FanTick> m_ticks;
    std::optional<std::size_t> m_hovered;
    std::optional<Hit> m_pressed;
    QPixmap m_backdrop;
    // The backdrop shrunk to a few pixels: drawn large, it is the veil's blur.
    QPixmap m_blurred;
    // The backdrop as last drawn, shrunk and veiled.
    mutable QPixmap m_composed;
    mutable double m_composedScale = 0;
    mutable double m_composedVeil = 0;
    FanBackButton* m_back;
    MiniToggle* m_selectAll;
    QGraphicsOpacityEffect* m_selectAllOpacity;
    QShortcut* m_escape;
    Timer m_frames;
    std::shared_ptr<FanOverlay*> m_self = std::make_shared<FanOverlay*>(this);
};

} // namespace ks
