#include "platform/qt/qt_cover_windows.h"

#include "platform/qt/qt_cover_window.h"

#include <QGuiApplication>
#include <QScreen>

namespace ks {

std::unique_ptr<CoverWindow> QtCoverWindows::make(const PlatformScreen& screen) {
    if (!m_enabled)
        return nullptr;
    QScreen* match = nullptr;
    const QString name = QString::fromStdString(screen.display.name);
    for (QScreen* candidate : QGuiApplication::screens())
        if (candidate->name() == name)
            match = candidate;
    return std::make_unique<QtCoverWindow>(match, screen.frame);
}

} // namespace ks
