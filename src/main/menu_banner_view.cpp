#include "main/menu_banner_view.h"

#include "platform/qt/qt_cover_fill.h"
#include "ui/symbol_icons.h"

#include <QApplication>
#include <QEasingCurve>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr qreal kRadius = 7;
constexpr int kTextInsetX = 9;
constexpr int kTextInsetBottom = 7;
constexpr qreal kBadgeGlyph = 9;
constexpr qreal kBadgePadding = 5;
constexpr qreal kBadgeInset = 6;
constexpr qreal kOutline = 1.5;
constexpr double kShortestFade = 0.01;
// Longer fades are taken as this long; it also keeps the milliseconds within an int.
constexpr double kLongestFade = 600;

QColor white(qreal alpha) {
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha));
}

QFont bannerFont(int pixels, QFont::Weight weight) {
    QFont font = QApplication::font("QMenu");
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QSize deviceSize(QSize logical, qreal ratio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                 static_cast<int>(std::ceil(logical.height() * ratio)));
}

} // namespace

MenuBannerView::MenuBannerView(StatusMenu& menu, QWidget* parent) : QWidget(parent), m_menu(menu) {
    setObjectName(QStringLiteral("menuBanner"));
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    m_observation = m_menu.model().observe([this] { modelChanged(); });
    modelChanged();
}

MenuBannerView::~MenuBannerView() = default;

void MenuBannerView::modelChanged() {
    const MenuModel& model = m_menu.model();
    bool repaint = model.hovering() != m_hovering;
    m_hovering = model.hovering();

    Look next;
    next.imageID = model.imageID();
    if (model.image())
        next.picture = wrapImage(*model.image());
    next.packName = QString::fromStdString(model.packName());
    next.wallpaperName = QString::fromStdString(model.wallpaperName());
    const bool newWallpaper = next.imageID != m_look.imageID;
    const bool same = !newWallpaper && next.packName == m_look.packName &&
                      next.wallpaperName == m_look.wallpaperName &&
                      next.picture.constBits() == m_look.picture.constBits() &&
                      next.picture.size() == m_look.picture.size();
    if (!same) {
        if (newWallpaper) {
            const bool fades =
                model.fade() > kShortestFade && isVisible() && !m_look.imageID.empty();
            if (fades)
                m_from = onScreen(devicePixelRatioF());
            m_look = std::move(next);
            m_rendered = {};
            if (fades)
                startFade(model.fade());
            else
                endFade();
        } else {
            // The same wallpaper told again (its picture may have come later): a running
            // fade goes on towards it.
            m_look = std::move(next);
            m_rendered = {};
        }
        repaint = true;
    }
    if (repaint)
        update();
}

void MenuBannerView::startFade(double seconds) {
    m_fade.reset();
    m_progress = 0;
    m_fade = std::make_unique<QVariantAnimation>();
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(static_cast<int>(std::lround(std::min(seconds, kLongestFade) * 1000)));
    m_fade->setEasingCurve(QEasingCurve::InOutSine);
    QObject::connect(m_fade.get(), &QVariantAnimation::valueChanged, this,
                     [this](const QVariant& value) {
                         m_progress = value.toDouble();
                         update();
                     });
    // Queued: the animation must not be destroyed inside its own signal.
    QObject::connect(
        m_fade.get(), &QAbstractAnimation::finished, this, [this] { endFade(); },
        Qt::QueuedConnection);
    m_fade->start();
}

void MenuBannerView::endFade() {
    if (m_fade && m_fade->state() == QAbstractAnimation::Running)
        m_fade->stop();
    m_fade.reset();
    m_from = {};
    m_progress = 1;
    update();
}

QImage MenuBannerView::render(const Look& look, qreal ratio) const {
    QImage image(deviceSize(frame().size(), ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(frame().size()));
    QPainterPath clip;
    clip.addRoundedRect(area, kRadius, kRadius);
    painter.setClipPath(clip);

    // The picture fills the frame: its centred crop at the frame's size in device pixels.
    const QImage fitted = look.picture.isNull() ? QImage() : fillImage(look.picture, image.size());
    if (fitted.isNull())
        painter.fillRect(area, QColor::fromRgbF(0.25, 0.25, 0.25));
    else
        painter.drawImage(area, fitted);

    QLinearGradient shade(0, area.center().y(), 0, area.bottom());
    shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
    shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.7f));
    painter.fillRect(QRectF(0, area.center().y(), area.width(), area.height() / 2), shade);

    const QFont packFont = bannerFont(12, QFont::DemiBold);
    const QFont nameFont = bannerFont(10, QFont::Normal);
    const QFontMetrics packMetrics(packFont);
    const QFontMetrics nameMetrics(nameFont);
    const int textWidth = frame().width() - 2 * kTextInsetX;
    const int nameTop = frame().height() - kTextInsetBottom - nameMetrics.height();
    const int packTop = nameTop - packMetrics.height();
    constexpr int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.setFont(packFont);
    painter.setPen(white(1));
    painter.drawText(QRect(kTextInsetX, packTop, textWidth, packMetrics.height()), flags,
                     packMetrics.elidedText(look.packName, Qt::ElideRight, textWidth));
    painter.setFont(nameFont);
    painter.setPen(white(0.75));
    painter.drawText(QRect(kTextInsetX, nameTop, textWidth, nameMetrics.height()), flags,
                     nameMetrics.elidedText(look.wallpaperName, Qt::ElideRight, textWidth));
    painter.end();
    return image;
}

void MenuBannerView::resizeEvent(QResizeEvent*) {
    // Drawn again at the new width; the picture on its way out is dropped rather than
    // stretched.
    m_rendered = {};
    m_from = {};
}

const QImage& MenuBannerView::rendered(qreal ratio) {
    if (m_rendered.isNull() || m_rendered.devicePixelRatio() != ratio)
        m_rendered = render(m_look, ratio);
    return m_rendered;
}

QImage MenuBannerView::onScreen(qreal ratio) {
    const QImage& current = rendered(ratio);
    if (!m_fade || m_from.isNull())
        return current;
    QImage blend(current.size(), QImage::Format_ARGB32_Premultiplied);
    blend.setDevicePixelRatio(ratio);
    blend.fill(Qt::transparent);
    QPainter painter(&blend);
    const QRectF area(QPointF(0, 0), QSizeF(frame().size()));
    painter.drawImage(area, m_from);
    painter.setOpacity(m_progress);
    painter.drawImage(area, current);
    painter.end();
    return blend;
}

void MenuBannerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(this->frame());
    if (m_fade && !m_from.isNull()) {
        painter.drawImage(frame, m_from);
        painter.setOpacity(m_progress);
    }
    painter.drawImage(frame, rendered(devicePixelRatioF()));
    painter.setOpacity(1);
    if (!m_hovering)
        return;

    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = kBadgeGlyph + 2 * kBadgePadding;
    const QRectF badge(frame.right() - kBadgeInset - side, frame.top() + kBadgeInset, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.45f));
    painter.drawEllipse(badge);
    drawSymbol(painter,
               badge.adjusted(kBadgePadding, kBadgePadding, -kBadgePadding, -kBadgePadding),
               "arrow.up.left.and.arrow.down.right", Qt::white);
    painter.setPen(QPen(white(0.9), kOutline));
    painter.setBrush(Qt::NoBrush);
    const qreal half = kOutline / 2;
    painter.drawRoundedRect(frame.adjusted(half, half, -half, -half), kRadius - half,
                            kRadius - half);
}

void MenuBannerView::enterEvent(QEnterEvent*) {
    m_menu.model().setHovering(true);
}

void MenuBannerView::leaveEvent(QEvent*) {
    m_menu.model().setHovering(false);
}

void MenuBannerView::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void MenuBannerView::mouseReleaseEvent(QMouseEvent* event) {
    const bool chosen = m_pressed && event->button() == Qt::LeftButton &&
                        rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (chosen)
        m_menu.click(MenuRowID::banner);
}

void MenuBannerView::hideEvent(QHideEvent*) {
    // Nothing animates out of sight; the next showing starts from the end of the fade.
    if (m_fade)
        endFade();
    m_pressed = false;
    m_menu.model().setHovering(false);
}

} // namespace ks
