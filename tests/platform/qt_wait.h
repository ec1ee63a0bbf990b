#pragma once

#include "thread_posts.h"

#include <QCoreApplication>

namespace ks::test {

// The process-wide Qt application the D-Bus tests need; made once and never destroyed, as Qt
// objects may outlive any one test.
inline void ensureQtApplication() {
    static int argc = 1;
    static char name[] = "ks-platform-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// waitFor, running Qt's events between looks: for what another process sends.
inline bool spinUntil(const std::function<bool()>& done) {
    return waitFor(done, [] { QCoreApplication::processEvents(); });
}

} // namespace ks::test
