#include "ui/pack_tile.h"

#include "base/locations.h"
#include "ui/badge_button.h"
#include "ui/check_circle.h"
#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/qt_text.h"
#include "ui/thumb_image.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>
#include <QVariantAnimation>

#include <filesystem>

namespace ks {

namespace {

constexpr int kCoverX = (PackTile::kWidth - PackTile::kCoverWidth) / 2;
constexpr int kTitleGap = 5;

// The picture of a tile whose pack has no cover; none without a resource folder.
const std::optional<ImageSource>& allPacksArt() {
    static const std::optional<ImageSource> art = []() -> std::optional<ImageSource> {
        const auto resources = Locations::resourcesDir();
        if (!resources)
            return std::nullopt;
        return ImageSource::asset(*resources / "AllPacks.jpg");
    }();
    return art;
}

} // namespace

PackTile::PackTile(Actions actions, QWidget* parent)
    : QWidget(parent), m_actions(std::move(actions)), m_cover(new ThumbImage(6, this)),
      m_check(new CheckCircle(this)), m_favorite(new BadgeButton(18, 9, 0.5, this)),
      m_variants(new BadgeButton(14, 8, 0.45, this)),
      m_browse(new BadgeButton(18, 8.5, 0.55, this)), m_title(new QLabel(this)) {
    setObjectName(QStringLiteral("packTile"));
    setFixedSize(sizeHint());
    const QRect cover = coverFrame();
    m_cover->setGeometry(cover);
    m_check->move(cover.x() + 4, cover.y() + 4);
    m_check->setAction([this] {
        if (m_actions.toggle)
            m_actions.toggle();
    });
    m_check->setObjectName(QStringLiteral("packTileCheck"));
    m_favorite->setObjectName(QStringLiteral("packTileFavorite"));
    m_favorite->move(cover.x() + 3, cover.bottom() + 1 - 3 - m_favorite->height());
    connect(m_favorite, &QAbstractButton::clicked, this, [this] {
        if (m_actions.toggleFavorite)
            m_actions.toggleFavorite();
    });
    m_variants->setSymbol("circle.lefthalf.filled", Qt::white);
    m_variants->setClickable(false);
    m_variants->setToolTip(QStringLiteral("Light and dark versions"));
    m_variants->move(cover.right() + 1 - 3 - m_variants->width(), cover.y() + 3);
    m_browse->setObjectName(QStringLiteral("packTileBrowse"));
    m_browse->setSymbol("square.grid.3x3", Qt::white);
    m_browse->setToolTip(QStringLiteral("Fan out this pack's wallpapers"));
    m_browse->move(cover.right() + 1 - 3 - m_browse->width(),
                   cover.bottom() + 1 - 3 - m_browse->height());
    connect(m_browse, &QAbstractButton::clicked, this, [this] {
        if (m_actions.browse)
            m_actions.browse();
    });
    m_title->setObjectName(QStringLiteral("packTileTitle"));
    m_title->setFont(dsFont(11));
    m_title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_title->setGeometry(0, cover.bottom() + 1 + kTitleGap, kWidth,
                         height() - cover.bottom() - 1 - kTitleGap);
    QPalette labelPalette = m_title->palette();
    labelPalette.setColor(QPalette::WindowText, Panel::secondary().resolve(this));
    m_title->setPalette(labelPalette);
    refresh();
}

PackTile::~PackTile() = default;

QSize PackTile::sizeHint() const {
    return QSize(kWidth, kCoverHeight + kTitleGap + QFontMetrics(dsFont(11)).height() + 1);
}

QRect PackTile::coverFrame() const {
    return QRect(kCoverX, 0, kCoverWidth, kCoverHeight);
}

void PackTile::setState(const PackTileState& state, bool showsCheck) {
    const bool tickChanged = state.selected != m_state.selected ||
                             state.partial != m_state.partial || showsCheck != m_showsCheck;
    m_state = state;
    m_showsCheck = showsCheck;
    m_cover->setSource(state.cover ? state.cover : allPacksArt());
    refresh();
    if (tickChanged)
        animateOpacity();
}

void PackTile::refresh() {
    const QString title = qtext(m_state.title);
    m_title->setText(m_title->fontMetrics().elidedText(title, Qt::ElideRight, kWidth));
    m_title->setToolTip(title);
    m_check->setVisible(m_showsCheck);
    m_check->setState(m_state.selected, m_state.partial);
    m_check->setToolTip(qtext(packCheckHelp(m_state.selected, m_state.partial)));
    const bool favourite = m_state.favoriteState != PackFavoriteState::none;
    m_favorite->setVisible(m_actions.toggleFavorite && (m_hovering || favourite));
    m_favorite->setSymbol(m_state.favoriteState == PackFavoriteState::all ? "heart.fill" : "heart",
                          favourite ? Palette::favoriteRed() : QColor(Qt::white));
    m_favorite->setToolTip(qtext(packFavoriteHelp(m_state.favoriteState)));
    m_variants->setVisible(m_state.hasVariants);
    m_browse->setVisible(m_actions.browse && m_hovering);
    if (!m_fade)
        m_cover->setOpacity(
            packCoverOpacity(m_showsCheck, m_state.selected, m_state.partial, m_hovering));
}

void PackTile::animateOpacity() {
    const double target =
        packCoverOpacity(m_showsCheck, m_state.selected, m_state.partial, m_hovering);
    if (!isVisible() || target == m_cover->opacity()) {
        m_cover->setOpacity(target);
        return;
    }
    m_fade = std::make_unique<QVariantAnimation>();
    m_fade->setStartValue(m_cover->opacity());
    m_fade->setEndValue(target);
    m_fade->setDuration(150);
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade.get(), &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { m_cover->setOpacity(v.toDouble()); });
    connect(m_fade.get(), &QVariantAnimation::finished, this, [this] {
        m_fade.release()->deleteLater();
        refresh();
    });
    m_fade->start();
}

void PackTile::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    m_hovering = true;
    refresh();
}

void PackTile::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_hovering = false;
    refresh();
}

void PackTile::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        m_actions.toggle)
        m_actions.toggle();
}

bool PackTile::event(QEvent* event) {
    // The variants badge lets clicks through to the cover, and with them its help: it is
    // shown from here.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_variants->isVisible() && m_variants->geometry().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), m_variants->toolTip(), this,
                               m_variants->geometry());
            return true;
        }
    }
    return QWidget::event(event);
}

void PackTile::mouseDoubleClickEvent(QMouseEvent* event) {
    // The pair's two clicks toggle the pack twice, so browsing leaves it as it was.
    if (event->button() == Qt::LeftButton && m_actions.browse)
        m_actions.browse();
}

} // namespace ks
