#include "platform/qt/qt_cover_window.h"

#include "platform/qt/qt_cover_fill.h"
#include "platform/qt/qt_cover_surface.h"
#include "platform/qt/qt_cover_x11.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QScreen>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr double kShortestFade = 0.01;
// Longer fades are taken as this long; it also keeps the milliseconds within an int.
constexpr double kLongestFade = 600;

QRect geometryOf(const ScreenFrame& frame) {
    return QRect(frame.x, frame.y, std::max(frame.width, 1), std::max(frame.height, 1));
}

} // namespace

QtCoverWindow::QtCoverWindow(QScreen* screen, const ScreenFrame& frame)
    : m_surface(
          std::make_unique<QtCoverSurface>(screen ? screen : QGuiApplication::primaryScreen())) {
    m_surface->setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                        Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                        Qt::NoDropShadowWindowHint);
    // What QWidget's WA_ShowWithoutActivating sets: Qt maps it with a user time of 0, so the
    // window manager does not give it focus.
    m_surface->setProperty("_q_showWithoutActivating", true);
    m_surface->setTitle(QStringLiteral("Kestrane Wallpapers cover"));
    m_surface->setGeometry(geometryOf(frame));
}

QtCoverWindow::~QtCoverWindow() {
    // The fade's callbacks reach the surface: stop them first.
    m_fade.reset();
}

bool QtCoverWindow::isVisible() const {
    return m_surface->isVisible();
}

bool QtCoverWindow::hasPicture() const {
    return !m_source.isNull();
}

double QtCoverWindow::backingScale() const {
    const QScreen* screen = m_surface->screen();
    return screen ? screen->devicePixelRatio() : m_surface->devicePixelRatio();
}

QWindow& QtCoverWindow::window() const {
    return *m_surface;
}

QImage QtCoverWindow::shownPicture() const {
    return m_surface->composed();
}

int QtCoverWindow::paintCount() const {
    return m_surface->paintCount();
}

void QtCoverWindow::show(const Image& image, double fadeSeconds) {
    QImage source = wrapImage(image);
    QImage picture = fillImage(source, m_surface->deviceSize());
    if (picture.isNull())
        return;
    m_source = std::move(source);
    const bool fades = fadeSeconds > kShortestFade && m_surface->isVisible();
    if (!fades) {
        m_fade.reset();
        m_surface->setLayers(std::move(picture), {}, 0);
        return;
    }
    QImage from = m_fade ? m_surface->composed() : m_surface->base();
    m_fade.reset();
    m_surface->setLayers(std::move(from), std::move(picture), 0);

    m_fade = std::make_unique<QVariantAnimation>();
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(static_cast<int>(std::lround(std::min(fadeSeconds, kLongestFade) * 1000)));
    m_fade->setEasingCurve(QEasingCurve::InOutSine);
    QtCoverSurface* surface = m_surface.get();
    QObject::connect(
        m_fade.get(), &QVariantAnimation::valueChanged, surface,
        [surface](const QVariant& value) { surface->setTopOpacity(value.toDouble()); });
    // Queued: the animation must not be destroyed inside its own signal.
    QObject::connect(
        m_fade.get(), &QAbstractAnimation::finished, surface, [this] { endFade(); },
        Qt::QueuedConnection);
    m_fade->start();
}

void QtCoverWindow::endFade() {
    if (!m_fade || m_fade->state() != QAbstractAnimation::Stopped)
        return;
    m_fade.reset();
    // The picture that faded in is all there is now; the one under it goes.
    m_surface->settle();
    refit();
}

void QtCoverWindow::refit() {
    // Fitted for another size: fit the picture as given again, not the fitted one.
    if (!m_fade && hasPicture() && m_surface->base().size() != m_surface->deviceSize())
        m_surface->setLayers(fillImage(m_source, m_surface->deviceSize()), {}, 0);
}

void QtCoverWindow::raise(const ScreenFrame& frame) {
    m_surface->setGeometry(geometryOf(frame));
    refit();
    if (!m_surface->isVisible()) {
        m_surface->create();
        markAsDesktopCover(*m_surface);
        m_surface->setVisible(true);
        stackBelowWithoutWindowManager(*m_surface);
    }
}

void QtCoverWindow::lower() {
    if (m_fade) {
        // Hidden mid-fade: it keeps the picture that was fading in, as if the fade had ended.
        m_fade.reset();
        m_surface->settle();
    }
    m_surface->setVisible(false);
}

} // namespace ks
