#pragma once

#include "child_process.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ks::e2e {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    // Equal within `tolerance` per channel: scaling and JPEG blur colours a little.
    bool near(const Rgb& other, int tolerance = 12) const;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c) {
        return out << "rgb(" << c.red << ", " << c.green << ", " << c.blue << ")";
    }
};

// A RandR output as the server reports it.
struct Output {
    std::string name;
    bool connected = false;
    // Set while the output shows part of the screen.
    bool active = false;
    int x = 0, y = 0, width = 0, height = 0;

    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};

// A real X server for end-to-end tests: Xorg with the dummy video driver on a display number
// of its own, with two 1920x1080 outputs side by side ("DUMMY0" at 0,0 and "DUMMY1" at
// 1920,0). The processes it runs get that display and a home and XDG folders of their own.
// Everything it started ends with `stop`, which the destructor calls too.
class XorgDisplay {
public:
    // True when Xorg, its dummy driver and xrandr are installed; otherwise `reason` says
    // what is missing.
    static bool available(std::string* reason = nullptr);

    XorgDisplay();
    ~XorgDisplay();
    XorgDisplay(const XorgDisplay&) = delete;
    XorgDisplay& operator=(const XorgDisplay&) = delete;

    // Starts the server and lays out the outputs. False with `error` set when that failed;
    // whatever had started is stopped again.
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
    std::filesystem::path runtimeDir() const { return m_root / "runtime"; }
    std::filesystem::path serverLog() const { return m_root / "Xorg.log"; }

    // The environment of the processes it runs: this process's, with DISPLAY, HOME and the
    // XDG folders replaced, and the desktop session's bus and identity removed.
    std::vector<std::string> environment() const;
    // Gives this process the same environment until `stop`, for code under test that runs
    // in the test itself and starts processes of its own.
    void enterEnvironment();
    // Adds a variable to that environment (before `enterEnvironment` to reach this process).
    void setVariable(const std::string& name, const std::string& value);

    // Runs a program to its end; a bare name is looked up in PATH.
    ProcessResult run(const std::vector<std::string>& argv,
                      std::chrono::milliseconds timeout = 60s);
    // Starts a program that stays; it is stopped with the server at the latest.
    ChildProcess& spawn(const std::vector<std::string>& argv, const std::string& tag);

    // Every RandR output of the screen.
    std::vector<Output> outputs();
    std::optional<Output> output(const std::string& name);
    // Switches an output of the layout off, or back on with its mode and position.
    bool setOutputEnabled(const std::string& name, bool enabled, std::string* error = nullptr);

    // Paints the root window's background in one colour, as if no wallpaper had been set.
    bool paintRoot(Rgb colour);
    // What the root window shows at (x, y); none outside the screen.
    std::optional<Rgb> rootPixel(int x, int y);
    // The root window's _XROOTPMAP_ID, when set.
    std::optional<std::uint32_t> rootPixmapProperty();
    // Whether a pixmap or window with this id exists on the server.
    bool drawableExists(std::uint32_t id);

private:
    struct Connection;
    struct Placement {
        std::string output;
        std::string mode;
        int x = 0, y = 0;
    };

    bool launchServer(std::string* error);
    bool layOutOutputs(std::string* error);
    bool xrandr(const std::vector<std::string>& arguments, std::string* error);
    Connection* connection();
    void restoreEnvironment();

    std::filesystem::path m_root;
    std::string m_display;
    int m_number = -1;
    std::unique_ptr<ChildProcess> m_xorg;
    std::unique_ptr<Connection> m_connection;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
    std::vector<Placement> m_layout;
    std::map<std::string, std::string> m_variables;
    std::map<std::string, std::optional<std::string>> m_savedEnvironment;
    int m_runs = 0;
};

} // namespace ks::e2e
