#include "platform/linux/xdg_autostart.h"

#include "base/file_io.h"
#include "base/locations.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace ks {

namespace DesktopEntry {

namespace {

std::string_view trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string unescapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            // Unknown escapes are kept as written; the quoting rules of Exec read them later.
            out += '\\';
            out += value[i];
        }
    }
    return out;
}

bool needsQuoting(std::string_view arg) {
    if (arg.empty())
        return true;
    return arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

} // namespace

std::optional<std::map<std::string, std::string>> parseMainGroup(std::string_view text) {
    std::map<std::string, std::string> keys;
    bool inMain = false;
    bool sawMain = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inMain = line == "[Desktop Entry]";
            sawMain = sawMain || inMain;
            continue;
        }
        if (!inMain)
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        // The first occurrence of a key counts; a repeated key makes the file invalid anyway.
        keys.emplace(std::string(trim(line.substr(0, equals))),
                     unescapeValue(trim(line.substr(equals + 1))));
    }
    if (!sawMain)
        return std::nullopt;
    return keys;
}

std::string execArgument(std::string_view path) {
    // Exec is read in three steps, so it is written in reverse: field codes ("%%" for a
    // literal percent sign), then quoting of reserved characters, then the escapes every
    // string value has ("\\" for a backslash). A backslash thus ends up as four.
    std::string quoted;
    const bool quote = needsQuoting(path);
    if (quote)
        quoted += '"';
    for (char c : path) {
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
    }
    if (quote)
        quoted += '"';

    std::string escaped;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool startsAtLogin(std::string_view text) {
    const auto keys = parseMainGroup(text);
    if (!keys)
        return false;
    const auto is = [&](const char* key, const char* value) {
        const auto it = keys->find(key);
        return it != keys->end() && it->second == value;
    };
    return !is("Hidden", "true") && !is("X-GNOME-Autostart-enabled", "false");
}

} // namespace DesktopEntry

namespace {

bool fileExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool entryStartsAtLogin(const std::filesystem::path& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return false;
    return DesktopEntry::startsAtLogin(asText(*bytes));
}

LoginItemResult writeEntry(const std::filesystem::path& path, const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error)
        return LoginItemResult::failure("couldn't create " + path.parent_path().string() + ": " +
                                        error.message());
    if (!replaceFileAtomically(path, asBytes(text)))
        return LoginItemResult::failure("couldn't write " + path.string());
    return LoginItemResult::success();
}

} // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems() : m_paths(pathsFromEnvironment()) {}

XdgAutostartLoginItems::XdgAutostartLoginItems(Paths paths) : m_paths(std::move(paths)) {}

XdgAutostartLoginItems::Paths XdgAutostartLoginItems::pathsFromEnvironment() {
    Paths paths;
    paths.userEntry = Locations::configHome() / "autostart" / kEntryName;

    std::string dirs = "/etc/xdg";
    if (const char* value = std::getenv("XDG_CONFIG_DIRS"); value && *value)
        dirs = value;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const auto end = std::min(dirs.find(':', start), dirs.size());
        const std::filesystem::path dir = dirs.substr(start, end - start);
        // Relative entries are invalid and ignored.
        if (dir.is_absolute())
            paths.systemEntries.push_back(dir / "autostart" / kEntryName);
        start = end + 1;
    }

    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        paths.executable = exe;
    return paths;
}

std::optional<std::filesystem::path> XdgAutostartLoginItems::firstSystemEntry() const {
    for (const auto& entry : m_paths.systemEntries)
        if (fileExists(entry))
            return entry;
    return std::nullopt;
}

int XdgAutostartLoginItems::status() const {
    std::optional<std::filesystem::path> entry;
    if (fileExists(m_paths.userEntry))
        entry = m_paths.userEntry;
    else
        entry = firstSystemEntry();
    return entry && entryStartsAtLogin(*entry) ? kStatusEnabled : kStatusNotRegistered;
}

LoginItemResult XdgAutostartLoginItems::enable() {
    if (!m_paths.executable)
        return LoginItemResult::failure("the application's own location is unknown");
    return writeEntry(m_paths.userEntry, entryText(*m_paths.executable));
}

LoginItemResult XdgAutostartLoginItems::disable() {
    // Removing the user's entry would let a system-wide one of the same name start the
    // application again; a hidden user entry overrides it instead.
    if (auto system = firstSystemEntry(); system && entryStartsAtLogin(*system))
        return writeEntry(m_paths.userEntry, "[Desktop Entry]\nType=Application\nName=" +
                                                 std::string(kAppName) + "\nHidden=true\n");
    std::error_code error;
    std::filesystem::remove(m_paths.userEntry, error);
    if (error)
        return LoginItemResult::failure("couldn't remove " + m_paths.userEntry.string() + ": " +
                                        error.message());
    return LoginItemResult::success();
}

std::string XdgAutostartLoginItems::entryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           std::string(kAppName) +
           "\n"
           "Comment=Rotates the desktop wallpaper\n"
           "Exec=" +
           DesktopEntry::execArgument(executable.string()) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

} // namespace ks
