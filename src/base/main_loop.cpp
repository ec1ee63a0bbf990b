#include "base/main_loop.h"

#include <atomic>

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

} // namespace ks
