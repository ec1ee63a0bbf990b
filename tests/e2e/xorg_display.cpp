#include "xorg_display.h"

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ks::e2e {

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// No input devices: a test server must never take the machine's keyboard or mouse. The dummy
// driver skips the console on its own.
constexpr const char* kXorgConf = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3840 2160
    EndSubSection
EndSection
)";

// Output and position; each shows 1920x1080.
constexpr std::pair<const char*, const char*> kLayout[] = {{"DUMMY0", "0x0"}, {"DUMMY1", "1920x0"}};

std::optional<fs::path> firstExisting(std::initializer_list<fs::path> candidates) {
    for (const auto& candidate : candidates)
        if (::access(candidate.c_str(), F_OK) == 0)
            return candidate;
    return std::nullopt;
}

// The server binary itself rather than the /usr/bin/Xorg script, which may go through a
// set-uid wrapper; the dummy driver needs no privileges.
std::optional<fs::path> xorgBinary() {
    if (auto direct = firstExisting({"/usr/lib/xorg/Xorg", "/usr/libexec/Xorg"}))
        return direct;
    return findExecutable("Xorg");
}

template <typename Reply> struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

// The reply to a request; none on an error, which is freed rather than queued as an event.
template <typename Reply, typename Cookie>
ReplyPtr<Reply> reply(Reply* (*get)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                      xcb_connection_t* c, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    ReplyPtr<Reply> result(get(c, cookie, &error));
    std::free(error);
    return result;
}

xcb_screen_t* screenOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment, const fs::path& outputStem)
    : m_stem(outputStem) {
    // Everything the child needs is prepared here: between fork and exec only system calls.
    auto args = argv;
    auto env = environment;
    if (const auto found = findExecutable(args.at(0)))
        args[0] = found->string();
    const auto argp = pointers(args);
    const auto envp = pointers(env);
    const std::string outPath = m_stem.string() + ".out";
    const std::string errPath = m_stem.string() + ".err";
    const pid_t parent = ::getpid();

    m_started = std::chrono::steady_clock::now();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (in >= 0 && out >= 0 && err >= 0 && ::dup2(in, 0) >= 0 && ::dup2(out, 1) >= 0 &&
            ::dup2(err, 2) >= 0)
            ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    m_ended = m_pid < 0;
}

bool ChildProcess::reap(bool block) {
    if (m_ended)
        return true;
    int raw = 0;
    rusage usage{};
    const pid_t got = ::wait4(m_pid, &raw, block ? 0 : WNOHANG, &usage);
    if (got == 0)
        return false;
    m_result.wall = std::chrono::steady_clock::now() - m_started;
    if (got == m_pid) {
        m_result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
        m_result.peakRssBytes = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
    }
    m_ended = true;
    return true;
}

// Polled every millisecond, which is also how exact the benchmark's wall time is.
bool ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    if (!running())
        return;
    ::kill(m_pid, SIGTERM);
    if (!waitForExit(grace)) {
        ::kill(m_pid, SIGKILL);
        reap(true);
    }
}

ProcessResult ChildProcess::result() const {
    ProcessResult result = m_result;
    result.out = readText(m_stem.string() + ".out");
    result.err = readText(m_stem.string() + ".err");
    return result;
}

std::optional<fs::path> findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? std::optional<fs::path>(name) : std::nullopt;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        std::error_code error;
        if (fs::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

bool XorgDisplay::available(std::string* reason) {
    std::string missing;
    if (!xorgBinary())
        missing = "Xorg is not installed (xserver-xorg-core)";
    else if (!firstExisting({"/usr/lib/xorg/modules/drivers/dummy_drv.so",
                             "/usr/lib64/xorg/modules/drivers/dummy_drv.so"}))
        missing = "the Xorg dummy video driver is not installed (xserver-xorg-video-dummy)";
    else if (!findExecutable("xrandr"))
        missing = "xrandr is not installed (x11-xserver-utils)";
    if (reason)
        *reason = missing;
    return missing.empty();
}

bool XorgDisplay::start(std::string* error) {
    std::string ignored;
    std::string& message = error ? *error : ignored;
    std::string pattern = (fs::temp_directory_path() / "ks-xorg-XXXXXX").string();
    if (!available(&message) || !::mkdtemp(pattern.data()))
        return false;
    m_root = pattern;
    for (const char* dir : {"home", "data", "config", "cache", "runtime", "xorg.conf.d", "output"})
        fs::create_directories(m_root / dir);
    fs::permissions(m_root / "runtime", fs::perms::owner_all);
    std::ofstream(m_root / "xorg.conf") << kXorgConf;

    std::vector<std::string> place;
    for (const auto& [output, position] : kLayout)
        place.insert(place.end(), {"--output", output, "--mode", "1920x1080", "--pos", position});
    // The dummy driver offers its modes on the first output only.
    if (launchServer(&message) && xrandr({"--addmode", "DUMMY1", "1920x1080"}, &message) &&
        xrandr(place, &message))
        return true;
    stop();
    return false;
}

bool XorgDisplay::launchServer(std::string* error) {
    // The server takes the first free display number and writes it to this pipe once it
    // accepts clients, so that servers started side by side never race for one.
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = "no pipe for -displayfd";
        return false;
    }
    m_xorg = std::make_unique<ChildProcess>(
        std::vector<std::string>{xorgBinary()->string(), "-displayfd", std::to_string(fds[1]),
                                 "-config", (m_root / "xorg.conf").string(), "-configdir",
                                 (m_root / "xorg.conf.d").string(), "-logfile",
                                 (m_root / "Xorg.log").string(), "-nolisten", "tcp", "-noreset",
                                 "-novtswitch"},
        environment(), m_root / "Xorg");
    ::close(fds[1]);
    std::string number;
    char c = 0;
    pollfd ready{fds[0], POLLIN, 0};
    while (::poll(&ready, 1, 30'000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    m_number = std::atoi(number.c_str());
    m_display = ":" + number;
    m_xcb = xcb_connect(m_display.c_str(), nullptr);
    if (c == '\n' && !xcb_connection_has_error(m_xcb))
        return true;
    const std::string log = m_xorg->result().err + readText(m_root / "Xorg.log");
    *error = "Xorg did not start within 30 s:\n" +
             log.substr(log.size() - std::min<std::size_t>(log.size(), 2000));
    return false;
}

bool XorgDisplay::xrandr(const std::vector<std::string>& arguments, std::string* error) {
    std::vector<std::string> argv{"xrandr"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto result = run(argv, 30s);
    if (result.status != 0 && error)
        *error = "xrandr " + arguments.front() + " failed: " + result.err;
    return result.status == 0;
}

void XorgDisplay::stop() {
    m_children.clear();
    if (m_xcb)
        xcb_disconnect(m_xcb);
    m_xcb = nullptr;
    if (m_xorg) {
        const pid_t pid = m_xorg->pid();
        m_xorg.reset();
        // A killed server leaves its lock and socket behind; only ours are removed.
        const std::string lock = "/tmp/.X" + std::to_string(m_number) + "-lock";
        if (std::atoi(readText(lock).c_str()) == pid) {
            std::error_code ignored;
            fs::remove("/tmp/.X11-unix/X" + std::to_string(m_number), ignored);
            fs::remove(lock, ignored);
        }
    }
    for (const auto& [name, old] : m_savedEnvironment)
        old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
    m_savedEnvironment.clear();
    if (!m_root.empty()) {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
        m_root.clear();
    }
    m_display.clear();
}

std::map<std::string, std::optional<std::string>> XorgDisplay::changedVariables() const {
    // The session's bus and desktop identity go, so nothing reaches the user's desktop.
    std::map<std::string, std::optional<std::string>> changed{
        {"DISPLAY", m_display},
        {"HOME", home().string()},
        {"XDG_DATA_HOME", dataHome().string()},
        {"XDG_CONFIG_HOME", configHome().string()},
        {"XDG_CACHE_HOME", (m_root / "cache").string()},
        {"XDG_RUNTIME_DIR", (m_root / "runtime").string()},
        {"KESTRANE_NO_SYSLOG", "1"}};
    for (const char* name :
         {"WAYLAND_DISPLAY", "XAUTHORITY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
          "DESKTOP_SESSION", "DBUS_SESSION_BUS_ADDRESS", "SWAYSOCK"})
        changed[name] = std::nullopt;
    for (const auto& [name, value] : m_variables)
        changed[name] = value;
    return changed;
}

std::vector<std::string> XorgDisplay::environment() const {
    const auto changed = changedVariables();
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        if (!changed.contains(std::string(text.substr(0, text.find('=')))))
            env.emplace_back(text);
    }
    for (const auto& [name, value] : changed)
        if (value)
            env.push_back(name + "=" + *value);
    return env;
}

void XorgDisplay::setVariable(const std::string& name, const std::string& value) {
    m_variables.insert_or_assign(name, value);
}

void XorgDisplay::enterEnvironment() {
    for (const auto& [name, value] : changedVariables()) {
        const char* old = std::getenv(name.c_str());
        m_savedEnvironment.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
}

ProcessResult XorgDisplay::run(const std::vector<std::string>& argv,
                               std::chrono::milliseconds timeout) {
    ChildProcess child(argv, environment(),
                       m_root / "output" / ("run-" + std::to_string(++m_runs)));
    if (child.waitForExit(timeout))
        return child.result();
    child.stop();
    ProcessResult result = child.result();
    result.status.reset();
    return result;
}

ChildProcess& XorgDisplay::spawn(const std::vector<std::string>& argv, const std::string& tag) {
    const fs::path stem = m_root / "output" / (tag + "-" + std::to_string(++m_runs));
    return *m_children.emplace_back(std::make_unique<ChildProcess>(argv, environment(), stem));
}

std::vector<Output> XorgDisplay::outputs() {
    // "DUMMY1 connected 1920x1080+1920+0 (normal …", without the geometry while it is off.
    static const std::regex line(
        R"(^(\S+) (?:dis)?connected (?:primary )?(?:(\d+)x(\d+)\+(\d+)\+(\d+))?)");
    std::vector<Output> result;
    std::istringstream lines(run({"xrandr", "--query"}).out);
    std::smatch m;
    for (std::string row; std::getline(lines, row);)
        if (std::regex_search(row, m, line))
            result.push_back(m[2].matched ? Output{m[1], true, std::stoi(m[4]), std::stoi(m[5]),
                                                   std::stoi(m[2]), std::stoi(m[3])}
                                          : Output{m[1]});
    return result;
}

std::optional<Output> XorgDisplay::output(const std::string& name) {
    for (auto& out : outputs())
        if (out.name == name)
            return out;
    return std::nullopt;
}

bool XorgDisplay::setOutputEnabled(const std::string& name, bool enabled, std::string* error) {
    for (const auto& [output, position] : kLayout)
        if (name == output)
            return xrandr(enabled ? std::vector<std::string>{"--output", name, "--mode",
                                                             "1920x1080", "--pos", position}
                                  : std::vector<std::string>{"--output", name, "--off"},
                          error);
    if (error)
        *error = name + " is not an output of the layout";
    return false;
}

bool XorgDisplay::paintRoot(Rgb colour) {
    const xcb_screen_t* screen = screenOf(m_xcb);
    const auto cell = reply(xcb_alloc_color_reply, m_xcb,
                            xcb_alloc_color(m_xcb, screen->default_colormap, colour.red * 257,
                                            colour.green * 257, colour.blue * 257));
    if (!cell)
        return false;
    xcb_change_window_attributes(m_xcb, screen->root, XCB_CW_BACK_PIXEL, &cell->pixel);
    xcb_clear_area(m_xcb, 0, screen->root, 0, 0, 0, 0);
    // A round trip, so that the next reading sees the new background.
    return reply(xcb_get_input_focus_reply, m_xcb, xcb_get_input_focus(m_xcb)) != nullptr;
}

std::optional<Rgb> XorgDisplay::rootPixel(int x, int y) {
    // Outside the screen the server answers with an error.
    const auto image =
        reply(xcb_get_image_reply, m_xcb,
              xcb_get_image(m_xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, screenOf(m_xcb)->root,
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 1, 1, ~0u));
    if (!image || xcb_get_image_data_length(image.get()) < 4)
        return std::nullopt;
    // Depth 24 as configured: 32 bits a pixel, red the highest 8 of 24, in this machine's
    // byte order since the server runs on it.
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image.get()), sizeof pixel);
    return Rgb{int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
}

std::optional<std::uint32_t> XorgDisplay::rootPixmapProperty() {
    static constexpr std::string_view kName = "_XROOTPMAP_ID";
    const auto atom =
        reply(xcb_intern_atom_reply, m_xcb, xcb_intern_atom(m_xcb, 1, kName.size(), kName.data()));
    const auto property = atom ? reply(xcb_get_property_reply, m_xcb,
                                       xcb_get_property(m_xcb, 0, screenOf(m_xcb)->root, atom->atom,
                                                        XCB_ATOM_PIXMAP, 0, 1))
                               : nullptr;
    if (!property || xcb_get_property_value_length(property.get()) != 4)
        return std::nullopt;
    std::uint32_t id = 0;
    std::memcpy(&id, xcb_get_property_value(property.get()), sizeof id);
    return id;
}

bool XorgDisplay::drawableExists(std::uint32_t id) {
    return reply(xcb_get_geometry_reply, m_xcb, xcb_get_geometry(m_xcb, id)) != nullptr;
}

} // namespace ks::e2e
