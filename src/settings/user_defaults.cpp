#include "settings/user_defaults.h"

#include "base/process_instance.h"

#include "base/file_io.h"
#include "base/locations.h"
#include "base/log.h"
#include "base/manual_loop.h"
#include "settings/defaults_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>

namespace fs = std::filesystem;

namespace ks {

namespace {

std::string utcStamp(SysTime when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

// Renames `from` to `to` unless `to` exists. False with errno set otherwise.
bool renameWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace flag: check first (a race here is harmless next
    // to the alternative of keeping a file we cannot read in the way).
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error))) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// Moves an unreadable file aside as <name>.corrupt-<stamp>[-<n>], never over another file.
std::optional<fs::path> moveAside(const fs::path& path, SysTime now) {
    const std::string base = path.filename().string() + ".corrupt-" + utcStamp(now);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        const fs::path target = path.parent_path() / name;
        if (renameWithoutReplacing(path, target))
            return target;
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

bool holdsNulText(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

bool holdsNul(const DefaultsValue& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return holdsNulText(*text);
    if (const auto* texts = std::get_if<std::vector<std::string>>(&value)) {
        for (const auto& text : *texts)
            if (holdsNulText(text))
                return true;
    }
    return false;
}

// Where a write must go: through links (say, into a folder of dotfiles, maybe not made yet),
// so the link itself stays.
fs::path followLinks(fs::path path) {
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++hops) {
        const fs::path link = fs::read_symlink(path, error);
        if (error)
            break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

} // namespace

struct UserDefaults::State : std::enable_shared_from_this<UserDefaults::State> {
    State(fs::path file, MainLoop& mainLoop) : path(std::move(file)), loop(mainLoop) {}

    void load();
    void changed();
    bool flush();

    const fs::path path;
    MainLoop& loop;
    DefaultsEntries entries;
    bool dirty = false;
    bool flushPosted = false;
    // False when a file is there that could neither be read nor moved aside: replacing it
    // would destroy what it holds, so assignments then live in memory only.
    bool mayWrite = true;
    bool failureLogged = false;
    std::uint64_t writes = 0;
    std::uint64_t bytes = 0;
};

void UserDefaults::State::load() {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return;
    auto contents = readWholeFile(path);
    if (!contents) {
        mayWrite = false;
        logLine("UserDefaults: couldn't read " + path.string() +
                "; started with defaults and will not write over it");
        return;
    }
    if (auto parsed = parseDefaults(*contents)) {
        entries = std::move(*parsed);
        return;
    }
    if (const auto aside = moveAside(path, loop.clock().now())) {
        logLine("UserDefaults: couldn't read " + path.string() + "; moved it to " +
                aside->string() + " and started with defaults");
        return;
    }
    mayWrite = false;
    logLine("UserDefaults: couldn't read " + path.string() + " nor move it aside (" +
            std::strerror(errno) + "); started with defaults and will not write over it");
}

void UserDefaults::State::changed() {
    dirty = true;
    if (flushPosted || !mayWrite)
        return;
    flushPosted = true;
    loop.post([weak = weak_from_this()] {
        if (auto state = weak.lock()) {
            state->flushPosted = false;
            state->flush();
        }
    });
}

bool UserDefaults::State::flush() {
    if (!dirty)
        return true;
    if (!mayWrite) {
        if (!failureLogged)
            logLine("UserDefaults: not saving to " + path.string() +
                    ", which exists but couldn't be read");
        failureLogged = true;
        return false;
    }
    const fs::path target = followLinks(path);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    // Each write goes to its own uniquely named temporary file that is then renamed over the
    // target, so another process writing at the same time cannot interleave with this one:
    // the file always holds one writer's whole list (the last rename wins).
    const auto encoded = encodeDefaults(entries);
    if (!encoded || !replaceFileAtomically(target, *encoded)) {
        if (!failureLogged)
            logLine("UserDefaults: couldn't write " + target.string() +
                    "; the changes stay pending");
        failureLogged = true;
        return false;
    }
    failureLogged = false;
    dirty = false;
    ++writes;
    bytes += encoded->size();
    return true;
}

fs::path UserDefaults::standardPath() {
    return Locations::configHome() / "kestrane-wallpapers" / (std::string(kBundleID) + ".plist");
}

UserDefaults& UserDefaults::standard() {
    return ProcessInstance<UserDefaults>::get("UserDefaults");
}

void UserDefaults::setStandard(UserDefaults* defaults) {
    ProcessInstance<UserDefaults>::set(defaults);
}

bool UserDefaults::flushStandard() {
    UserDefaults* defaults = ProcessInstance<UserDefaults>::find();
    return defaults ? defaults->flush() : true;
}

UserDefaults::UserDefaults(fs::path file, MainLoop& loop)
    : m_path(std::move(file)), m_state(std::make_shared<State>(m_path, loop)) {
    // Writers killed mid-save leave their temporaries behind; they would pile up.
    removeAbandonedTemporaries(m_path);
    m_state->load();
}

UserDefaults::~UserDefaults() {
    m_state->flush();
}

namespace {

template <typename T> std::optional<T> typed(const DefaultsEntries& entries, std::string_view key) {
    const auto found = entries.find(key);
    if (found == entries.end())
        return std::nullopt;
    const auto* value = std::get_if<DefaultsValue>(&found->second);
    if (!value)
        return std::nullopt;
    const auto* typedValue = std::get_if<T>(value);
    return typedValue ? std::optional<T>(*typedValue) : std::nullopt;
}

} // namespace

std::optional<bool> UserDefaults::boolValue(std::string_view key) const {
    return typed<bool>(m_state->entries, key);
}

std::optional<std::int64_t> UserDefaults::integerValue(std::string_view key) const {
    return typed<std::int64_t>(m_state->entries, key);
}

std::optional<double> UserDefaults::realValue(std::string_view key) const {
    if (auto real = typed<double>(m_state->entries, key))
        return real;
    if (auto integer = typed<std::int64_t>(m_state->entries, key))
        return static_cast<double>(*integer);
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringValue(std::string_view key) const {
    return typed<std::string>(m_state->entries, key);
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayValue(std::string_view key) const {
    return typed<std::vector<std::string>>(m_state->entries, key);
}

std::optional<Bytes> UserDefaults::dataValue(std::string_view key) const {
    return typed<Bytes>(m_state->entries, key);
}

bool UserDefaults::contains(std::string_view key) const {
    return m_state->entries.find(key) != m_state->entries.end();
}

void UserDefaults::set(std::string_view key, DefaultsValue value) {
    // A property list keeps keys and strings as C strings: a NUL would silently cut them
    // short on disk (and merge keys), so such an assignment is refused whole.
    if (holdsNulText(key) || holdsNul(value)) {
        logLine("UserDefaults: not storing \"" + std::string(key.substr(0, key.find('\0'))) +
                "\": keys and strings can't hold a NUL character");
        return;
    }
    m_state->entries.insert_or_assign(std::string(key), DefaultsEntry(std::move(value)));
    m_state->changed();
}

void UserDefaults::remove(std::string_view key) {
    const auto found = m_state->entries.find(key);
    if (found == m_state->entries.end())
        return;
    m_state->entries.erase(found);
    m_state->changed();
}

bool UserDefaults::flush() {
    return m_state->flush();
}

bool UserDefaults::hasPendingWrites() const {
    return m_state->dirty;
}

std::uint64_t UserDefaults::fileWrites() const {
    return m_state->writes;
}

std::uint64_t UserDefaults::bytesWritten() const {
    return m_state->bytes;
}

} // namespace ks
