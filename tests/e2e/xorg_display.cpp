#include "xorg_display.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ks::e2e {

namespace fs = std::filesystem;

namespace {

constexpr auto kServerStartLimit = 30s;

// No input devices: a test server must never take the machine's keyboard or mouse, nor
// switch virtual terminals. The dummy driver skips the console on its own.
constexpr const char* kXorgConf = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
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

// The dummy driver offers a 1920x1080 mode on its first output only; the second one gets
// the same timings under a name of its own.
constexpr const char* kSecondModeName = "1920x1080k";
const std::vector<std::string> kSecondModeLine{kSecondModeName, "173.00", "1920",   "2048",
                                               "2248",          "2576",   "1080",   "1083",
                                               "1088",          "1120",   "-hsync", "+vsync"};

// Variables the harness sets or removes in the processes it runs. The session's bus and
// desktop identity go, so nothing reaches the real user's desktop settings.
const std::set<std::string> kRemovedVariables{"DISPLAY",
                                              "WAYLAND_DISPLAY",
                                              "XAUTHORITY",
                                              "XDG_CURRENT_DESKTOP",
                                              "XDG_SESSION_TYPE",
                                              "DESKTOP_SESSION",
                                              "DBUS_SESSION_BUS_ADDRESS"};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string tail(const std::string& text, std::size_t lines = 15) {
    std::size_t at = text.size();
    while (lines-- > 0 && at > 0) {
        at = text.rfind('\n', at - 1);
        if (at == std::string::npos)
            return text;
    }
    return text.substr(at + 1);
}

std::optional<fs::path> firstExisting(const std::vector<fs::path>& candidates) {
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (fs::exists(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

// The server binary itself rather than the /usr/bin/Xorg script, which may go through a
// set-uid wrapper; the dummy driver needs no privileges.
std::optional<fs::path> xorgBinary() {
    if (auto direct = firstExisting({"/usr/lib/xorg/Xorg", "/usr/libexec/Xorg"}))
        return direct;
    return findExecutable("Xorg");
}

std::optional<fs::path> dummyDriver() {
    return firstExisting({"/usr/lib/xorg/modules/drivers/dummy_drv.so",
                          "/usr/lib64/xorg/modules/drivers/dummy_drv.so",
                          "/usr/lib/x86_64-linux-gnu/xorg/modules/drivers/dummy_drv.so",
                          "/usr/lib/aarch64-linux-gnu/xorg/modules/drivers/dummy_drv.so"});
}

fs::path lockFile(int number) {
    return "/tmp/.X" + std::to_string(number) + "-lock";
}
fs::path socketFile(int number) {
    return "/tmp/.X11-unix/X" + std::to_string(number);
}

// The pid in a display's lock file; none while it is missing or half written.
std::optional<pid_t> lockOwner(int number) {
    std::string text = readText(lockFile(number));
    text.erase(0, text.find_first_not_of(' '));
    if (text.empty() || text.back() != '\n')
        return std::nullopt;
    return static_cast<pid_t>(std::strtol(text.c_str(), nullptr, 10));
}

bool displayTaken(const std::string& log) {
    return log.find("already active") != std::string::npos ||
           log.find("Cannot establish any listening sockets") != std::string::npos ||
           log.find("Could not create lock file") != std::string::npos;
}

int lowestBit(std::uint32_t mask) {
    int shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int channel(std::uint32_t pixel, std::uint32_t mask) {
    if (!mask)
        return 0;
    const int shift = lowestBit(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
}

template <typename Reply> struct FreeReply {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

} // namespace

bool Rgb::near(const Rgb& other, int tolerance) const {
    return std::abs(red - other.red) <= tolerance && std::abs(green - other.green) <= tolerance &&
           std::abs(blue - other.blue) <= tolerance;
}

struct XorgDisplay::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    xcb_visualtype_t visual{};
    int bitsPerPixel = 32;
    bool bigEndian = false;

    ~Connection() {
        if (xcb)
            xcb_disconnect(xcb);
    }

    static std::unique_ptr<Connection> open(const std::string& display) {
        auto connection = std::make_unique<Connection>();
        connection->xcb = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection->xcb))
            return nullptr;
        const xcb_setup_t* setup = xcb_get_setup(connection->xcb);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
        if (!screen)
            return nullptr;
        connection->root = screen->root;
        connection->bigEndian = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
             xcb_format_next(&formats))
            if (formats.data->depth == screen->root_depth)
                connection->bitsPerPixel = formats.data->bits_per_pixel;
        for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
             xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == screen->root_visual)
                    connection->visual = *visuals.data;
        return connection;
    }
};

bool XorgDisplay::available(std::string* reason) {
    std::string missing;
    if (!xorgBinary())
        missing = "Xorg is not installed (xserver-xorg-core)";
    else if (!dummyDriver())
        missing = "the Xorg dummy video driver is not installed (xserver-xorg-video-dummy)";
    else if (!findExecutable("xrandr"))
        missing = "xrandr is not installed (x11-xserver-utils)";
    if (reason)
        *reason = missing;
    return missing.empty();
}

XorgDisplay::XorgDisplay() = default;

XorgDisplay::~XorgDisplay() {
    stop();
}

bool XorgDisplay::start(std::string* error) {
    std::string ignored;
    std::string& message = error ? *error : ignored;
    if (started()) {
        message = "already started";
        return false;
    }
    if (!available(&message))
        return false;
    std::string pattern = (fs::temp_directory_path() / "ks-xorg-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        message = "cannot make a temporary folder";
        return false;
    }
    m_root = pattern;
    for (const auto& dir : {home(), dataHome(), configHome(), runtimeDir(), m_root / "cache",
                            m_root / "xorg.conf.d", m_root / "output"})
        fs::create_directories(dir);
    fs::permissions(runtimeDir(), fs::perms::owner_all);
    std::ofstream(m_root / "xorg.conf") << kXorgConf;

    if (!launchServer(&message) || !layOutOutputs(&message)) {
        stop();
        return false;
    }
    return true;
}

bool XorgDisplay::launchServer(std::string* error) {
    const fs::path binary = *xorgBinary();
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
        if (std::string_view(*entry).rfind("DISPLAY=", 0) != 0)
            env.emplace_back(*entry);

    // Tests run side by side: each picks a number from its pid onwards, and moves on when
    // the server finds the number taken after all.
    const int first = 300 + static_cast<int>(::getpid() % 400);
    for (int attempt = 0; attempt < 40; ++attempt) {
        const int number = first + attempt;
        std::error_code ignored;
        if (fs::exists(lockFile(number), ignored) || fs::exists(socketFile(number), ignored))
            continue;
        m_xorg = std::make_unique<ChildProcess>(
            std::vector<std::string>{
                binary.string(), ":" + std::to_string(number), "-config",
                (m_root / "xorg.conf").string(), "-configdir", (m_root / "xorg.conf.d").string(),
                "-logfile", serverLog().string(), "-nolisten", "tcp", "-noreset", "-novtswitch"},
            env, m_root / "Xorg.out", m_root / "Xorg.err");
        if (m_xorg->pid() < 0) {
            *error = "cannot start " + binary.string();
            m_xorg.reset();
            return false;
        }
        m_number = number;
        m_display = ":" + std::to_string(number);
        const auto deadline = std::chrono::steady_clock::now() + kServerStartLimit;
        bool taken = false;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!m_xorg->running()) {
                const std::string log = m_xorg->err() + readText(serverLog());
                if (displayTaken(log)) {
                    taken = true;
                    break;
                }
                *error = "Xorg ended while starting on " + m_display + ":\n" + tail(log);
                m_xorg.reset();
                return false;
            }
            // Only our own server counts: another one may have won the number meanwhile.
            if (lockOwner(number) == m_xorg->pid()) {
                m_connection = Connection::open(m_display);
                if (m_connection)
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        if (!taken) {
            *error = "Xorg did not accept clients on " + m_display + " within 30 s:\n" +
                     tail(readText(serverLog()));
            return false;
        }
        m_xorg.reset();
    }
    *error = "no free display number from :" + std::to_string(first);
    return false;
}

bool XorgDisplay::xrandr(const std::vector<std::string>& arguments, std::string* error) {
    std::vector<std::string> argv{"xrandr"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto result = run(argv, 30s);
    if (result.status == 0)
        return true;
    if (error) {
        *error = "xrandr";
        for (const auto& argument : arguments)
            *error += " " + argument;
        *error += " failed: " + result.err;
    }
    return false;
}

bool XorgDisplay::layOutOutputs(std::string* error) {
    m_layout = {{"DUMMY0", "1920x1080", 0, 0}, {"DUMMY1", kSecondModeName, 1920, 0}};
    std::vector<std::string> newMode{"--newmode"};
    newMode.insert(newMode.end(), kSecondModeLine.begin(), kSecondModeLine.end());
    std::vector<std::string> place;
    for (const auto& placement : m_layout)
        place.insert(place.end(),
                     {"--output", placement.output, "--mode", placement.mode, "--pos",
                      std::to_string(placement.x) + "x" + std::to_string(placement.y)});
    if (!xrandr(newMode, error) || !xrandr({"--addmode", "DUMMY1", kSecondModeName}, error) ||
        !xrandr(place, error))
        return false;
    for (const auto& placement : m_layout) {
        const auto shown = output(placement.output);
        if (!shown || !shown->active || shown->x != placement.x || shown->y != placement.y ||
            shown->width != 1920 || shown->height != 1080) {
            *error = "output " + placement.output + " did not take its place";
            return false;
        }
    }
    return true;
}

void XorgDisplay::stop() {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        (*it)->stop();
    m_children.clear();
    m_connection.reset();
    if (m_xorg) {
        const pid_t pid = m_xorg->pid();
        m_xorg->stop(10s);
        m_xorg.reset();
        // A killed server leaves its lock and socket behind; only ours are removed.
        std::error_code ignored;
        if (lockOwner(m_number) == pid) {
            fs::remove(socketFile(m_number), ignored);
            fs::remove(lockFile(m_number), ignored);
        }
    }
    restoreEnvironment();
    if (!m_root.empty()) {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
        m_root.clear();
    }
    m_display.clear();
    m_number = -1;
    m_layout.clear();
}

std::vector<std::string> XorgDisplay::environment() const {
    std::map<std::string, std::string> replaced{{"DISPLAY", m_display},
                                                {"HOME", home().string()},
                                                {"XDG_DATA_HOME", dataHome().string()},
                                                {"XDG_CONFIG_HOME", configHome().string()},
                                                {"XDG_CACHE_HOME", (m_root / "cache").string()},
                                                {"XDG_RUNTIME_DIR", runtimeDir().string()},
                                                {"KESTRANE_NO_SYSLOG", "1"}};
    for (const auto& [name, value] : m_variables)
        replaced.insert_or_assign(name, value);
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string name(text.substr(0, text.find('=')));
        if (!kRemovedVariables.contains(name) && !replaced.contains(name))
            env.emplace_back(text);
    }
    for (const auto& [name, value] : replaced)
        env.push_back(name + "=" + value);
    return env;
}

void XorgDisplay::enterEnvironment() {
    const auto env = environment();
    std::set<std::string> kept;
    for (const auto& entry : env)
        kept.insert(entry.substr(0, entry.find('=')));
    std::set<std::string> all = kept;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        all.emplace(text.substr(0, text.find('=')));
    }
    for (const auto& name : all) {
        if (!m_savedEnvironment.contains(name)) {
            const char* old = std::getenv(name.c_str());
            m_savedEnvironment.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        }
        if (!kept.contains(name))
            ::unsetenv(name.c_str());
    }
    for (const auto& entry : env) {
        const auto at = entry.find('=');
        ::setenv(entry.substr(0, at).c_str(), entry.substr(at + 1).c_str(), 1);
    }
}

void XorgDisplay::setVariable(const std::string& name, const std::string& value) {
    m_variables.insert_or_assign(name, value);
}

void XorgDisplay::restoreEnvironment() {
    for (const auto& [name, old] : m_savedEnvironment)
        old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
    m_savedEnvironment.clear();
}

ProcessResult XorgDisplay::run(const std::vector<std::string>& argv,
                               std::chrono::milliseconds timeout) {
    auto resolved = argv;
    if (!resolved.empty()) {
        const auto found = findExecutable(resolved.front());
        if (!found) {
            ProcessResult missing;
            missing.err = resolved.front() + ": not found";
            return missing;
        }
        resolved.front() = found->string();
    }
    const fs::path stem = m_root / "output" / ("run-" + std::to_string(++m_runs));
    return runProcess(resolved, environment(), stem, timeout);
}

ChildProcess& XorgDisplay::spawn(const std::vector<std::string>& argv, const std::string& tag) {
    auto resolved = argv;
    if (!resolved.empty())
        if (const auto found = findExecutable(resolved.front()))
            resolved.front() = found->string();
    const fs::path stem = m_root / "output" / (tag + "-" + std::to_string(++m_runs));
    m_children.push_back(std::make_unique<ChildProcess>(
        resolved, environment(), stem.string() + ".out", stem.string() + ".err"));
    return *m_children.back();
}

XorgDisplay::Connection* XorgDisplay::connection() {
    if (m_connection && xcb_connection_has_error(m_connection->xcb))
        m_connection.reset();
    if (!m_connection && started())
        m_connection = Connection::open(m_display);
    return m_connection.get();
}

std::vector<Output> XorgDisplay::outputs() {
    std::vector<Output> result;
    Connection* c = connection();
    if (!c)
        return result;
    ReplyPtr<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            c->xcb, xcb_randr_get_screen_resources_current(c->xcb, c->root), nullptr));
    if (!resources)
        return result;
    const xcb_randr_output_t* ids = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        ReplyPtr<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            c->xcb, xcb_randr_get_output_info(c->xcb, ids[i], resources->config_timestamp),
            nullptr));
        if (!info)
            continue;
        Output out;
        out.name.assign(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                        xcb_randr_get_output_info_name_length(info.get()));
        out.connected = info->connection == XCB_RANDR_CONNECTION_CONNECTED;
        if (info->crtc) {
            ReplyPtr<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
                c->xcb, xcb_randr_get_crtc_info(c->xcb, info->crtc, resources->config_timestamp),
                nullptr));
            if (crtc && crtc->mode) {
                out.active = true;
                out.x = crtc->x;
                out.y = crtc->y;
                out.width = crtc->width;
                out.height = crtc->height;
            }
        }
        result.push_back(std::move(out));
    }
    return result;
}

std::optional<Output> XorgDisplay::output(const std::string& name) {
    for (auto& out : outputs())
        if (out.name == name)
            return out;
    return std::nullopt;
}

bool XorgDisplay::setOutputEnabled(const std::string& name, bool enabled, std::string* error) {
    const auto placement = std::find_if(m_layout.begin(), m_layout.end(),
                                        [&](const Placement& p) { return p.output == name; });
    if (placement == m_layout.end()) {
        if (error)
            *error = name + " is not an output of the layout";
        return false;
    }
    if (!enabled)
        return xrandr({"--output", name, "--off"}, error);
    return xrandr({"--output", name, "--mode", placement->mode, "--pos",
                   std::to_string(placement->x) + "x" + std::to_string(placement->y)},
                  error);
}

bool XorgDisplay::paintRoot(Rgb colour) {
    Connection* c = connection();
    if (!c)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c->xcb)).data;
    ReplyPtr<xcb_alloc_color_reply_t> allocated(
        xcb_alloc_color_reply(c->xcb,
                              xcb_alloc_color(c->xcb, screen->default_colormap,
                                              static_cast<std::uint16_t>(colour.red * 257),
                                              static_cast<std::uint16_t>(colour.green * 257),
                                              static_cast<std::uint16_t>(colour.blue * 257)),
                              nullptr));
    if (!allocated)
        return false;
    const std::uint32_t pixel = allocated->pixel;
    xcb_change_window_attributes(c->xcb, c->root, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(c->xcb, 0, c->root, 0, 0, 0, 0);
    // A round trip, so the next reading sees the new background.
    std::free(xcb_get_input_focus_reply(c->xcb, xcb_get_input_focus(c->xcb), nullptr));
    return true;
}

std::optional<Rgb> XorgDisplay::rootPixel(int x, int y) {
    Connection* c = connection();
    if (!c || x < 0 || y < 0)
        return std::nullopt;
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c->xcb, xcb_get_geometry(c->xcb, c->root), nullptr));
    if (!geometry || x >= geometry->width || y >= geometry->height)
        return std::nullopt;
    ReplyPtr<xcb_get_image_reply_t> image(xcb_get_image_reply(
        c->xcb,
        xcb_get_image(c->xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, c->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), 1, 1, ~0u),
        nullptr));
    if (!image)
        return std::nullopt;
    const std::uint8_t* data = xcb_get_image_data(image.get());
    const int bytes = std::min(xcb_get_image_data_length(image.get()), c->bitsPerPixel / 8);
    std::uint32_t pixel = 0;
    for (int i = 0; i < bytes; ++i)
        pixel |= static_cast<std::uint32_t>(data[c->bigEndian ? bytes - 1 - i : i]) << (8 * i);
    return Rgb{channel(pixel, c->visual.red_mask), channel(pixel, c->visual.green_mask),
               channel(pixel, c->visual.blue_mask)};
}

std::optional<std::uint32_t> XorgDisplay::rootPixmapProperty() {
    Connection* c = connection();
    if (!c)
        return std::nullopt;
    static constexpr std::string_view kName = "_XROOTPMAP_ID";
    ReplyPtr<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c->xcb, xcb_intern_atom(c->xcb, 1, kName.size(), kName.data()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return std::nullopt;
    ReplyPtr<xcb_get_property_reply_t> property(xcb_get_property_reply(
        c->xcb, xcb_get_property(c->xcb, 0, c->root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) != 4)
        return std::nullopt;
    std::uint32_t id = 0;
    std::memcpy(&id, xcb_get_property_value(property.get()), sizeof id);
    return id;
}

bool XorgDisplay::drawableExists(std::uint32_t id) {
    Connection* c = connection();
    if (!c)
        return false;
    xcb_generic_error_t* error = nullptr;
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c->xcb, xcb_get_geometry(c->xcb, id), &error));
    std::free(error);
    return geometry != nullptr;
}

} // namespace ks::e2e
