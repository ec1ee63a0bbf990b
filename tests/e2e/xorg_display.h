#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

struct xcb_connection_t;

namespace ks::e2e {

using namespace std::chrono_literals;

struct ProcessResult {
    // The exit code, -signal when a signal ended it; none when it could not start or
    // outlived its time-out.
    std::optional<int> status;
    std::string out, err;
    // From the start until it was reaped, and the process's own ru_maxrss.
    std::chrono::duration<double> wall{};
    std::size_t peakRssBytes = 0;
};

// A process with an environment of its own and its output in `outputStem`.out and .err. It
// gets SIGTERM when the thread that started it dies, so that a crashed test leaves no server
// behind; the destructor stops it.
class ChildProcess {
public:
    // A bare program name is looked up in PATH.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::filesystem::path& outputStem);
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when it could not be started.
    pid_t pid() const { return m_pid; }
    bool running() { return !reap(false); }
    // False when it still runs after `timeout`.
    bool waitForExit(std::chrono::milliseconds timeout);
    // SIGTERM, then SIGKILL when it has not left within `grace`.
    void stop(std::chrono::milliseconds grace = 5s);

    // Complete once the process has ended.
    ProcessResult result() const;

private:
    bool reap(bool block);

    pid_t m_pid = -1;
    std::filesystem::path m_stem;
    std::chrono::steady_clock::time_point m_started;
    ProcessResult m_result;
    bool m_ended = false;
};

// PATH lookup as execvp does it.
std::optional<std::filesystem::path> findExecutable(const std::string& name);

struct Rgb {
    int red = 0, green = 0, blue = 0;

    // Equal within `tolerance` per channel: scaling and JPEG blur colours a little.
    bool near(const Rgb& o, int tolerance = 12) const {
        return std::abs(red - o.red) <= tolerance && std::abs(green - o.green) <= tolerance &&
               std::abs(blue - o.blue) <= tolerance;
    }
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c) {
        return out << "rgb(" << c.red << ", " << c.green << ", " << c.blue << ")";
    }
};

// A RandR output; `active` while it shows part of the screen.
struct Output {
    std::string name;
    bool active = false;
    int x = 0, y = 0, width = 0, height = 0;

    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};

// A real X server for end-to-end tests: Xorg with the dummy video driver on a display number
// of its own, with two 1920x1080 outputs side by side ("DUMMY0" at 0,0 and "DUMMY1" at
// 1920,0). The processes it runs get that display and a home and XDG folders of their own.
// `stop`, which a failed `start` and the destructor call too, ends everything it started and
// removes its files.
class XorgDisplay {
public:
    // False with `reason` set when Xorg, its dummy driver or xrandr is not installed.
    static bool available(std::string* reason = nullptr);

    XorgDisplay() = default;
    ~XorgDisplay() { stop(); }
    XorgDisplay(const XorgDisplay&) = delete;
    XorgDisplay& operator=(const XorgDisplay&) = delete;

    bool start(std::string* error = nullptr);
    void stop();
    bool started() const { return m_xorg != nullptr; }

    // ":N"
    const std::string& display() const { return m_display; }
    // The temporary folder holding the server's files and the isolated home.
    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path home() const { return m_root / "home"; }
    std::filesystem::path dataHome() const { return m_root / "data"; }
    std::filesystem::path configHome() const { return m_root / "config"; }

    // This process's environment with DISPLAY, HOME and the XDG folders replaced, the
    // desktop session's bus and identity removed, and the variables set here added.
    std::vector<std::string> environment() const;
    void setVariable(const std::string& name, const std::string& value);
    // Gives this process that environment until `stop`, for code under test that runs in the
    // test itself and starts processes of its own.
    void enterEnvironment();

    // Runs a program to its end (killed after `timeout`).
    ProcessResult run(const std::vector<std::string>& argv,
                      std::chrono::milliseconds timeout = 60s);
    // Starts a program that runs until `stop` at the latest.
    ChildProcess& spawn(const std::vector<std::string>& argv, const std::string& tag);

    std::vector<Output> outputs();
    std::optional<Output> output(const std::string& name);
    // Switches an output off, or back on with its mode and place in the layout.
    bool setOutputEnabled(const std::string& name, bool enabled, std::string* error = nullptr);

    // These need a started server.
    // Paints the root window in one colour, as if no wallpaper had been set.
    bool paintRoot(Rgb colour);
    // What the root window shows at (x, y); none outside the screen.
    std::optional<Rgb> rootPixel(int x, int y);
    // The root window's _XROOTPMAP_ID, when set.
    std::optional<std::uint32_t> rootPixmapProperty();
    bool drawableExists(std::uint32_t id);

private:
    bool launchServer(std::string* error);
    bool xrandr(const std::vector<std::string>& arguments, std::string* error);
    std::map<std::string, std::optional<std::string>> changedVariables() const;

    std::filesystem::path m_root;
    std::string m_display;
    int m_number = -1;
    std::unique_ptr<ChildProcess> m_xorg;
    xcb_connection_t* m_xcb = nullptr;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
    std::map<std::string, std::string> m_variables;
    std::map<std::string, std::optional<std::string>> m_savedEnvironment;
    int m_runs = 0;
};

} // namespace ks::e2e
