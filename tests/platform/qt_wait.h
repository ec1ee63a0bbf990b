#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

namespace ks::test {

// The process-wide Qt application the D-Bus and process tests need; made once, never
// destroyed, as Qt objects may outlive any one test.
inline void ensureQtApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "ks-platform-tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// Runs the Qt event loop until `done` holds; false when it has not within `limit`. For what
// another process sends, never for a timer of the code under test.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace ks::test
