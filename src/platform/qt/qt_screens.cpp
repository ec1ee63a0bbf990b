#include "platform/qt/qt_screens.h"

#include "platform/qt/qt_x11_connection.h"

#include "platform/x11/xcb_handles.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace ks {

namespace {

// The outputs of the server Qt is connected to, on the screen $DISPLAY names.
std::vector<X11Display> qtOutputs() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return {};
    return activeDisplays(connection, xcb::defaultScreenNumber());
}

} // namespace

QtScreens::QtScreens() : m_lister(qtOutputs) {}

std::vector<PlatformScreen> QtScreens::screens() const {
    QList<QScreen*> ordered = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        ordered.removeAll(primary);
        ordered.prepend(primary);
    }
    const std::vector<X11Display> outputs = m_lister ? m_lister() : std::vector<X11Display>{};
    std::vector<PlatformScreen> result;
    result.reserve(static_cast<std::size_t>(ordered.size()));
    for (const QScreen* screen : ordered) {
        PlatformScreen entry;
        const QRect geometry = screen->geometry();
        entry.frame = {geometry.x(), geometry.y(), geometry.width(), geometry.height()};
        entry.scale = screen->devicePixelRatio();
        entry.display.name = screen->name().toStdString();
        const auto output = std::find_if(outputs.begin(), outputs.end(), [&](const auto& o) {
            return o.name == entry.display.name;
        });
        if (output != outputs.end()) {
            entry.display.number = output->output;
            entry.uuid = output->uuid;
        }
        result.push_back(std::move(entry));
    }
    return result;
}

} // namespace ks
