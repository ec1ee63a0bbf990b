#include "base/locations.h"
#include "base/log.h"
#include "library/library.h"
#include "main/app_delegate.h"
#include "main/app_icon.h"
#include "main/app_services.h"
#include "main/command_line.h"
#include "main/pack_list_printer.h"
#include "main/quit_signals.h"
#include "main/single_instance.h"
#include "platform/login_items.h"
#include "platform/platform.h"
#include "platform/qt/qt_main_loop.h"
#include "platform/x11/randr_displays.h"
#include "settings/user_defaults.h"

#include <QApplication>
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

void printLine(const std::string& line) {
    // The whole string: a pack name may hold a NUL, where a C string would stop.
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

constexpr std::chrono::seconds kAnswerTimeout{5};

// A second copy: passes the request on to the running one and ends.
int handOver(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto answer = ks::SingleInstance::request(ks::kShowSettingsMessage, kAnswerTimeout);
    if (answer && !answer->empty())
        return 0;
    ks::logLine("Kestrane Wallpapers: another copy is running but did not answer");
    return 1;
}

void printError(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

// "--next", "--status" and the others: asks the running copy, in the order given, and prints
// its status. Needs no display, so a compositor's key binding can run it.
int askRunningCopy(int argc, char** argv, const std::vector<std::string>& requests) {
    {
        const auto lock = ks::InstanceLock::acquire(ks::SingleInstance::lockPath());
        if (lock.state() == ks::InstanceLock::State::acquired) {
            printError("Kestrane Wallpapers is not running");
            return 1;
        }
    }
    QCoreApplication app(argc, argv);
    for (const std::string& request : requests) {
        const auto answer = ks::SingleInstance::request(request, kAnswerTimeout);
        if (!answer || answer->empty()) {
            printError("Kestrane Wallpapers did not answer; it may be quitting");
            return 1;
        }
        if (answer->starts_with("error: ")) {
            printError("Kestrane Wallpapers: " + answer->substr(7));
            return 1;
        }
        if (request == ks::kStatusRequest)
            std::fwrite(answer->data(), 1, answer->size(), stdout);
    }
    std::fflush(stdout);
    return 0;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The tray needs a graphical session; Qt would otherwise abort the process. A platform named
// in QT_QPA_PLATFORM (offscreen in tests) is taken at its word, and so is WAYLAND_DISPLAY; a
// DISPLAY left over from a session that has ended is not, since Qt's xcb plugin aborts on it.
// Says in the log why there is none.
bool hasGraphicalSession() {
    if (isSet("QT_QPA_PLATFORM") || isSet("WAYLAND_DISPLAY"))
        return true;
    if (!isSet("DISPLAY")) {
        ks::logLine("Kestrane Wallpapers: no graphical session to show the tray in (neither "
                    "DISPLAY nor WAYLAND_DISPLAY is set)");
        return false;
    }
    if (ks::x11DisplayReachable())
        return true;
    ks::logLine(std::string("Kestrane Wallpapers: no graphical session to show the tray in (no X "
                            "server answers on DISPLAY=") +
                std::getenv("DISPLAY") + ")");
    return false;
}

int runApplication(int argc, char** argv, const ks::CommandLine& options, bool ownsInstance) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrane Wallpapers"));
    // The desktop entry the session ties our windows to, and the icon they carry.
    QGuiApplication::setDesktopFileName(QStringLiteral("local.kestrane.wallpapers"));
    QApplication::setWindowIcon(ks::applicationIcon());
    // A tray application: closing a window it opens must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    ks::quitOnTerminationSignals();

    ks::QtMainLoop loop;
    ks::MainLoop::setShared(&loop);
    struct ForgetLoop {
        ~ForgetLoop() { ks::MainLoop::setShared(nullptr); }
    } forgetLoop;
    ks::NotificationCenter& center = ks::NotificationCenter::shared();
    // Assignments wait for the loop's next turn; whatever is still pending when the loop
    // ends (Quit, SIGTERM, SIGINT) is written then, and at the latest when the services go.
    ks::AppServices services(loop, center, ks::makePlatform(loop, center));
    QObject::connect(&app, &QCoreApplication::aboutToQuit,
                     [] { ks::UserDefaults::flushStandard(); });

    ks::AppDelegate delegate(services, {options.settings, options.welcome});
    ks::InstanceServer server(
        [&delegate](std::string_view message) { return delegate.answer(message); });
    // Listening before the launch lets a copy started meanwhile hand over without waiting.
    // Without the lock another copy may be listening; its socket must not be taken over.
    if (ownsInstance)
        server.listen(ks::SingleInstance::socketPath());

    if (!delegate.applicationDidFinishLaunching())
        return 1;
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every change makes and drops pictures of megabytes. glibc raises its mmap threshold to
    // the size of each large block freed, after which the next pictures come from the heaps
    // of the threads that made them and stay resident once freed, some megabytes more after
    // every change. A threshold that stays put keeps each of them in a mapping of its own,
    // returned to the system when it is freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    const auto options = ks::CommandLine::parse(argc, argv);

    if (options.listPacks) {
        ks::Library library;
        library.rescan();
        for (const auto& line : ks::packListLines(library.packs()))
            printLine(line);
        return 0;
    }
    if (options.enableLogin)
        printLine(ks::enableLoginLine(ks::makeLoginItems()->enable()));
    if (options.loginStatus) {
        printLine(ks::loginStatusLine(ks::makeLoginItems()->status()));
        return 0;
    }

    if (!options.requests.empty())
        return askRunningCopy(argc, argv, options.requests);

    if (!hasGraphicalSession())
        return 1;
    const auto lock = ks::InstanceLock::acquire(ks::SingleInstance::lockPath());
    switch (lock.state()) {
    case ks::InstanceLock::State::heldElsewhere:
        return handOver(argc, argv);
    case ks::InstanceLock::State::unavailable:
        ks::logLine("Kestrane Wallpapers: can't tell whether another copy runs: " + lock.error());
        break;
    case ks::InstanceLock::State::acquired:
        break;
    }
    return runApplication(argc, argv, options, lock.state() == ks::InstanceLock::State::acquired);
}
