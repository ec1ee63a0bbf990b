#include "base/main_loop.h"

#include "base/log.h"
#include "base/manual_loop.h"

#include <atomic>
#include <string>

namespace ks {

namespace {
std::atomic<MainLoop*> g_sharedLoop{nullptr};
}

MainLoop* MainLoop::shared() {
    return g_sharedLoop.load();
}

void MainLoop::setShared(MainLoop* loop) {
    g_sharedLoop.store(loop);
}

MainLoop& MainLoop::sharedOrIdle(std::string_view who) {
    if (MainLoop* loop = shared())
        return *loop;
    static ManualLoop idle;
    logLine(std::string(who) + ": no main loop; nothing it defers will run");
    return idle;
}

} // namespace ks
