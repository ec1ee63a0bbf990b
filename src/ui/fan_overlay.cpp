#include "ui/fan_overlay.h"

#include "base/log.h"
#include "library/library.h"
#include "settings/settings_store.h"
#include "ui/check_circle.h"
#include "ui/ds_font.h"
#include "ui/fan_back_button.h"
#include "ui/fan_tile.h"
#include "ui/fan_view_model.h"
#include "ui/mini_toggle.h"
#include "ui/palette.h"
#include "ui/qt_text.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QToolTip>

#include <cmath>

namespace ks {

namespace {

constexpr double kFrameInterval = 1.0 / 60;
constexpr double kTickHitRadius = 11;
constexpr double kBlurShrink = 16;
constexpr double kVeilTint = 0.5;
constexpr double kHeaderGap = 5;
constexpr double kToggleGap = 6;
// Below this, an opacity or a scale is nothing on screen.
constexpr double kInvisible = 0.001;

} // namespace

FanOverlay::FanOverlay(FanOverlayInputs inputs, QWidget* parent)
    : QWidget(parent), m_in(std::move(inputs)), m_back(new FanBackButton(this)),
      m_selectAll(new MiniToggle(this)), m_selectAllOpacity(new QGraphicsOpacityEffect(this)),
      m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), this)) {
    setObjectName(QStringLiteral("fanOverlay"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Holds the keyboard, so that Tab cannot walk the controls under the veil.
    setFocusPolicy(Qt::StrongFocus);
    m_back->move(16, 14);
    connect(m_back, &QAbstractButton::clicked, this, [this] { m_in.onClose(); });
    m_back->installEventFilter(this);
    m_selectAll->setObjectName(QStringLiteral("fanSelectAll"));
    m_selectAll->installEventFilter(this);
    m_selectAll->setToolTip(QStringLiteral("Select all"));
    m_selectAll->setGraphicsEffect(m_selectAllOpacity);
    m_selectAllOpacity->setOpacity(0);
    m_selectAll->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_selectAll->setAction([this](bool on) {
        if (on)
            m_in.settings.selectAllWallpapers(m_pack, m_in.library);
        else
            m_in.settings.deselectAllWallpapers(m_pack, m_in.library);
    });
    m_escape->setContext(Qt::WindowShortcut);
    connect(m_escape, &QShortcut::activated, this, [this] { m_in.onClose(); });
}

FanOverlay::~FanOverlay() = default;

double FanOverlay::now() const {
    return std::chrono::duration_cast<Seconds>(m_in.loop.clock().monotonicNow().time_since_epoch())
        .count();
}

void FanOverlay::setPack(const Pack& pack) {
    m_pack = pack;
    m_tiles.clear();
    m_looks.clear();
    m_ticks.clear();
    m_hovered.reset();
    m_pressed.reset();
    // Opening another pack starts it gathered, whatever the last one was doing.
    m_scene = FanScene();
    const std::weak_ptr<FanOverlay*> self = m_self;
    for (const Wallpaper& wallpaper : m_pack.wallpapers) {
        m_tiles.push_back(std::make_unique<FanTile>(wallpaper, [self] {
            if (const auto overlay = self.lock())
                (*overlay)->animate();
        }));
        m_tiles.back()->load();
    }
    m_selectAll->setVisible(fanShowsSelectAll(m_pack.id));
    layOut();
    refresh();
    animate();
}

void FanOverlay::setSource(const QRect& source) {
    const FanRect rect{static_cast<double>(source.x()), static_cast<double>(source.y()),
                       static_cast<double>(source.width()), static_cast<double>(source.height())};
    if (rect == m_source)
        return;
    m_source = rect;
    layOut();
}

void FanOverlay::setFanned(bool fanned) {
    if (fanned == m_scene.fanned())
        return;
    m_scene.setFanned(fanned, now());
    // While the tiles fly back, the pointer already reaches the packs under the veil.
    setAttribute(Qt::WA_TransparentForMouseEvents, !fanned);
    if (!fanned) {
        clearHover();
        m_pressed.reset();
    }
    animate();
}

void FanOverlay::setBackdrop(QPixmap content) {
    m_backdrop = std::move(content);
    m_blurred = m_backdrop.isNull()
                    ? QPixmap()
                    : m_backdrop.scaled((m_backdrop.size() / kBlurShrink).expandedTo({1, 1}),
                                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_composed = QPixmap();
    update();
}

void FanOverlay::refresh() {
    // Worked out once per change of the store, not for every tile at every frame and pointer
    // move: a look searches every collection.
    m_looks.clear();
    m_ticks.clear();
    for (const auto& tile : m_tiles) {
        m_looks.push_back(fanTileLook(m_in.settings, tile->wallpaper(), false));
        m_ticks.push_back(fanTick(m_in.settings, m_pack.id, tile->wallpaper()));
    }
    m_selectAll->setOn(everyWallpaperInRotation(m_in.settings, m_pack));
    update();
}

void FanOverlay::layOut() {
    m_scene.layOut(m_pack.wallpapers.size(), width(), height(), m_source);
    placeHeader();
    update();
}

QRectF FanOverlay::headerRect() const {
    const FanGrid& grid = m_scene.grid();
    const double top = grid.originY - FanMetrics{}.headerHeight - 20;
    return {0, top, static_cast<double>(width()), FanMetrics{}.headerHeight + 20};
}

void FanOverlay::placeHeader() {
    const QRectF header = headerRect();
    const double title = QFontMetricsF(dsFont(15, QFont::DemiBold)).height();
    const double subtitle = QFontMetricsF(dsFont(11)).height();
    const double rowTop = header.top() + title + kHeaderGap + subtitle + kHeaderGap + 3;
    const QSize toggle = m_selectAll->sizeHint();
    const double label = QFontMetricsF(dsFont(10)).horizontalAdvance(QStringLiteral("Select all"));
    const double rowWidth = label + kToggleGap + toggle.width();
    m_selectAll->setGeometry(
        static_cast<int>(std::lround((width() - rowWidth) / 2 + label + kToggleGap)),
        static_cast<int>(std::lround(rowTop)), toggle.width(), toggle.height());
}

void FanOverlay::animate() {
    update();
    if (m_frames.isActive())
        return;
    const std::weak_ptr<FanOverlay*> self = m_self;
    m_frames = m_in.loop.scheduleRepeating(Seconds(kFrameInterval), [self] {
        const auto overlay = self.lock();
        if (!overlay)
            return;
        FanOverlay& o = **overlay;
        const double t = o.now();
        o.m_back->setOpacity(o.m_scene.backButtonOpacity(t));
        o.m_selectAllOpacity->setOpacity(o.m_scene.headerOpacity(t));
        o.m_selectAll->setAttribute(Qt::WA_TransparentForMouseEvents,
                                    !o.m_scene.fanned() ||
                                        o.m_scene.headerOpacity(t) <= kInvisible);
        o.update();
        const bool hoverMoving = std::ranges::any_of(
            o.m_tiles, [t](const auto& tile) { return !tile->hoverSettled(t); });
        if (!o.m_scene.animating(t) && !hoverMoving)
            o.m_frames.cancel();
    });
}

QRectF FanOverlay::cellRect(std::size_t index) const {
    const FanGrid& grid = m_scene.grid();
    const FanPoint centre = fanCellCentre(grid, index);
    return {centre.x - grid.tileWidth / 2, centre.y - grid.tileHeight / 2, grid.tileWidth,
            grid.tileHeight};
}

QPointF FanOverlay::tickCentre(std::size_t index) const {
    const FanPoint centre = fanTickCentre(m_scene.grid(), index);
    return {centre.x, centre.y};
}

FanTileLook FanOverlay::lookOf(std::size_t index) const {
    FanTileLook look = m_looks[index];
    look.showsBadges = look.showsBadges || m_tiles[index]->hovering();
    return look;
}

// The point in the tile's own coordinates: centred on it, before its turn and scale.
static std::optional<QPointF> intoTile(QPointF point, const FanTilePose& pose, double hoverScale) {
    QTransform transform;
    transform.translate(pose.centre.x, pose.centre.y);
    transform.rotate(pose.rotation);
    transform.scale(pose.scale * hoverScale, pose.scale * hoverScale);
    bool invertible = false;
    const QTransform back = transform.inverted(&invertible);
    if (!invertible)
        return std::nullopt;
    return back.map(point);
}

// Whether a tile is drawn at all: a tile shrunk to nothing or faded out is not.
static bool visible(const FanTilePose& pose) {
    return pose.opacity > kInvisible && pose.scale > kInvisible;
}

FanOverlay::Hit FanOverlay::hitAt(QPointF point) const {
    // Gathered or flying back, the wallpapers take no clicks: a click closes.
    if (!m_scene.fanned())
        return {};
    const double t = now();
    const QSizeF size(m_scene.grid().tileWidth, m_scene.grid().tileHeight);
    // What cannot be seen yet takes no clicks: the ticks fade in last.
    if (m_scene.tickOpacity(t) > kInvisible)
        for (std::size_t i = 0; i < m_tiles.size(); ++i) {
            const QPointF d = point - tickCentre(i);
            if (d.x() * d.x() + d.y() * d.y() <= kTickHitRadius * kTickHitRadius)
                return {Hit::Kind::tick, i};
        }
    // Later tiles are drawn over earlier ones.
    for (std::size_t i = m_tiles.size(); i-- > 0;) {
        const FanTile& tile = *m_tiles[i];
        const FanTilePose pose = m_scene.tile(i, t);
        if (!visible(pose))
            continue;
        const std::optional<QPointF> local = intoTile(point, pose, tile.hoverScale(t));
        if (!local)
            continue;
        switch (tile.partAt(*local, size, lookOf(i))) {
        case FanTile::Part::none:
            break;
        case FanTile::Part::picture:
            return {Hit::Kind::tile, i};
        case FanTile::Part::favoriteBadge:
            return {Hit::Kind::favoriteBadge, i};
        case FanTile::Part::collectionBadge:
            return {Hit::Kind::collectionBadge, i};
        }
    }
    return {};
}

std::string FanOverlay::helpAt(const Hit& hit) const {
    switch (hit.kind) {
    case Hit::Kind::tick:
        return m_ticks[hit.index].help;
    case Hit::Kind::favoriteBadge:
        return lookOf(hit.index).favoriteHelp;
    case Hit::Kind::collectionBadge:
        return lookOf(hit.index).collectionHelp;
    case Hit::Kind::tile:
    case Hit::Kind::background:
        break;
    }
    return {};
}

void FanOverlay::act(const Hit& hit) {
    // Copied: the action may change the store and, through it, this overlay.
    const Wallpaper wallpaper =
        hit.kind == Hit::Kind::background ? Wallpaper{} : m_tiles[hit.index]->wallpaper();
    switch (hit.kind) {
    case Hit::Kind::background:
        m_in.onClose();
        break;
    case Hit::Kind::tick:
        toggleFanTick(m_in.settings, m_pack.id, wallpaper);
        break;
    case Hit::Kind::tile:
        logLine("FanOverlay: setting " + wallpaper.key());
        m_in.onPick(wallpaper);
        break;
    case Hit::Kind::favoriteBadge:
        m_in.settings.toggleFavorite(wallpaper);
        break;
    case Hit::Kind::collectionBadge:
        if (m_in.onCollectionsMenu)
            m_in.onCollectionsMenu(wallpaper);
        break;
    }
}

void FanOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = hitAt(event->position());
}

void FanOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    const Hit pressed = *m_pressed;
    m_pressed.reset();
    if (hitAt(event->position()) == pressed)
        act(pressed);
}

void FanOverlay::mouseMoveEvent(QMouseEvent* event) {
    const Hit hit = hitAt(event->position());
    setCursor(hit.kind == Hit::Kind::background ? Qt::ArrowCursor : Qt::PointingHandCursor);
    // A tile's tick belongs to the tile: pointing at it keeps the tile raised.
    hover(hit.kind == Hit::Kind::background ? std::nullopt : std::optional(hit.index));
}

void FanOverlay::hover(std::optional<std::size_t> tile) {
    if (tile == m_hovered)
        return;
    const double t = now();
    if (m_hovered)
        m_tiles[*m_hovered]->setHovering(false, t);
    m_hovered = tile;
    if (m_hovered)
        m_tiles[*m_hovered]->setHovering(true, t);
}

void FanOverlay::clearHover() {
    hover(std::nullopt);
}

void FanOverlay::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    clearHover();
}

bool FanOverlay::eventFilter(QObject* watched, QEvent* event) {
    // Onto the back button or the switch straight from a tile: the overlay hears no move.
    if (event->type() == QEvent::Enter)
        clearHover();
    return QWidget::eventFilter(watched, event);
}

void FanOverlay::keyPressEvent(QKeyEvent* event) {
    // Return would press the window's Done under the veil; in the browser it does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FanOverlay::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::string text = helpAt(hitAt(help->pos()));
        if (text.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), qtext(text), this);
        return true;
    }
    return QWidget::event(event);
}

bool FanOverlay::focusNextPrevChild(bool) {
    // Tab goes between the browser and its switch, never to the controls under the veil.
    if (m_selectAll->isVisible() && m_scene.fanned() && !m_selectAll->hasFocus())
        m_selectAll->setFocus(Qt::TabFocusReason);
    else
        setFocus(Qt::TabFocusReason);
    return true;
}

void FanOverlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void FanOverlay::paintBackdrop(QPainter& painter, double t) const {
    const double scale = m_scene.contentScale(t);
    const double veil = m_scene.backgroundOpacity(t);
    // Once the content has shrunk and the veil is down, every frame draws the same backdrop.
    if (m_composed.isNull() || m_composedScale != scale || m_composedVeil != veil ||
        m_composed.deviceIndependentSize() != QSizeF(size())) {
        const double ratio = devicePixelRatioF();
        m_composed = QPixmap(size() * ratio);
        m_composed.setDevicePixelRatio(ratio);
        QPainter composer(&m_composed);
        composeBackdrop(composer, scale, veil);
        m_composedScale = scale;
        m_composedVeil = veil;
    }
    painter.drawPixmap(0, 0, m_composed);
}

void FanOverlay::composeBackdrop(QPainter& painter, double scale, double veil) const {
    painter.fillRect(rect(), Panel::background().resolve(this));
    const QSizeF size = QSizeF(this->size()) * scale;
    const QRectF content(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2),
                         size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!m_backdrop.isNull())
        painter.drawPixmap(content, m_backdrop, QRectF(m_backdrop.rect()));
    if (veil <= 0)
        return;
    painter.setOpacity(veil);
    if (!m_blurred.isNull())
        painter.drawPixmap(content, m_blurred, QRectF(m_blurred.rect()));
    painter.fillRect(rect(), QColor::fromRgbF(1, 1, 1, static_cast<float>(kVeilTint)));
}

void FanOverlay::paintHeader(QPainter& painter, double t) const {
    const double opacity = m_scene.headerOpacity(t);
    if (opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(opacity);
    const QRectF header = headerRect();
    const QFont titleFont = dsFont(15, QFont::DemiBold);
    const QFont subtitleFont = dsFont(11);
    const double titleHeight = QFontMetricsF(titleFont).height();
    const double subtitleHeight = QFontMetricsF(subtitleFont).height();
    painter.setFont(titleFont);
    painter.setPen(Palette::ink().resolve(this));
    painter.drawText(QRectF(0, header.top(), width(), titleHeight), Qt::AlignHCenter | Qt::AlignTop,
                     qtext(m_pack.displayName));
    painter.setFont(subtitleFont);
    painter.setPen(Panel::secondary().resolve(this));
    const double subtitleTop = header.top() + titleHeight + kHeaderGap;
    painter.drawText(QRectF(0, subtitleTop, width(), subtitleHeight),
                     Qt::AlignHCenter | Qt::AlignTop, qtext(fanSubtitle(m_pack.id)));
    if (m_selectAll->isVisible()) {
        const QRect toggle = m_selectAll->geometry();
        painter.setFont(dsFont(10));
        painter.drawText(QRectF(0, toggle.top(), toggle.left() - kToggleGap, toggle.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Select all"));
    }
    painter.restore();
}

void FanOverlay::paintTiles(QPainter& painter, double t) const {
    const QSizeF size(m_scene.grid().tileWidth, m_scene.grid().tileHeight);
    if (size.isEmpty())
        return;
    const auto& shown = m_in.settings.lastShownKey();
    for (std::size_t i = 0; i < m_tiles.size(); ++i) {
        const FanTilePose pose = m_scene.tile(i, t);
        if (!visible(pose))
            continue;
        const FanTileLook look = lookOf(i);
        const double opacity = pose.opacity * look.opacity;
        const FanTile& tile = *m_tiles[i];
        painter.save();
        painter.translate(pose.centre.x, pose.centre.y);
        painter.rotate(pose.rotation);
        const double scale = pose.scale * tile.hoverScale(t);
        painter.scale(scale, scale);
        painter.setOpacity(opacity);
        tile.paint(painter, size, look, shown && *shown == tile.wallpaper().key());
        painter.restore();
    }
}

void FanOverlay::paintTicks(QPainter& painter, double t) const {
    const double opacity = m_scene.tickOpacity(t);
    if (opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(opacity);
    for (std::size_t i = 0; i < m_tiles.size(); ++i) {
        CheckCircle::paint(painter, tickCentre(i), m_ticks[i].checked, false);
    }
    painter.restore();
}

void FanOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double t = now();
    paintBackdrop(painter, t);
    paintHeader(painter, t);
    paintTiles(painter, t);
    paintTicks(painter, t);
}

} // namespace ks
