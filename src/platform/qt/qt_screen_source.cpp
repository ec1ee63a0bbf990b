#include "platform/qt/qt_screen_source.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "base/notification_center.h"

#include <QGuiApplication>
#include <QScreen>

namespace ks {

QtScreenSource::QtScreenSource(MainLoop& loop, NotificationCenter& center)
    : m_loop(loop), m_center(center), m_context(std::make_unique<QObject>()) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) {
        logLine("QtScreenSource: no QGuiApplication; display changes will not be noticed");
        return;
    }
    QObject::connect(app, &QGuiApplication::screenAdded, m_context.get(), [this](QScreen* screen) {
        watch(screen);
        changed();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, m_context.get(),
                     [this](QScreen*) { changed(); });
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, m_context.get(),
                     [this](QScreen*) { changed(); });
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

QtScreenSource::~QtScreenSource() = default;

void QtScreenSource::watch(QScreen* screen) {
    // A removed screen's connections end with it.
    QObject::connect(screen, &QScreen::geometryChanged, m_context.get(), [this] { changed(); });
    // The backing scale follows the resolution.
    QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, m_context.get(),
                     [this] { changed(); });
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, m_context.get(),
                     [this] { changed(); });
}

void QtScreenSource::changed() {
    m_loop.post([alive = std::weak_ptr<int>(m_alive), center = &m_center] {
        if (alive.lock())
            center->post(kScreenParametersChanged);
    });
}

} // namespace ks
