#pragma once

#include "base/main_loop.h"

#include <map>
#include <memory>

namespace ks {

// The main loop on top of the Qt event loop of the thread that makes it (the main
// thread). Timers are precise Qt timers, so they also fire while a menu is open.
class QtMainLoop final : public MainLoop {
public:
    QtMainLoop();
    ~QtMainLoop() override;
    QtMainLoop(const QtMainLoop&) = delete;
    QtMainLoop& operator=(const QtMainLoop&) = delete;

    void post(std::function<void()> fn) override;
    Timer postAfter(Seconds delay, std::function<void()> fn) override;
    Timer scheduleAt(SysTime date, std::function<void()> fn) override;
    Timer scheduleRepeating(Seconds interval, std::function<void()> fn) override;
    const Clock& clock() const override { return SystemClock::instance(); }

private:
    class Dispatcher;
    class Backend;
    struct PostGate;

    Timer schedule(Seconds delay, std::optional<Seconds> repeat, std::function<void()> fn);

    std::unique_ptr<Dispatcher> m_dispatcher;
    std::shared_ptr<PostGate> m_gate;
};

} // namespace ks
