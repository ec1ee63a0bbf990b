#pragma once

#include "platform/system_events.h"

#include <memory>

class QObject;
class QScreen;

namespace ks {

class MainLoop;
class NotificationCenter;

// Posts kScreenParametersChanged when a display is added or removed, moves, changes its size
// or its resolution, or another display becomes the main one. The post comes on a later turn
// of the loop, once Qt has finished updating its screen list; a burst of changes posts a burst
// (the engine coalesces them). Needs the QGuiApplication; `center` must outlive the source.
class QtScreenSource final : public SystemEventSource {
public:
    QtScreenSource(MainLoop& loop, NotificationCenter& center);
    ~QtScreenSource() override;
    QtScreenSource(const QtScreenSource&) = delete;
    QtScreenSource& operator=(const QtScreenSource&) = delete;

private:
    void watch(QScreen* screen);
    void changed();

    MainLoop& m_loop;
    NotificationCenter& m_center;
    // The context of every connection: they end with it.
    std::unique_ptr<QObject> m_context;
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};

} // namespace ks
