#include "base/locations.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ks::Locations {

namespace {

std::optional<std::filesystem::path> absoluteFrom(const EnvironmentLookup& variable,
                                                  const char* name) {
    const char* value = variable(name);
    // Relative paths in these variables are invalid and must be ignored.
    if (!value || value[0] != '/')
        return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> absoluteFromEnv(const char* name) {
    return absoluteFrom(std::getenv, name);
}

std::filesystem::path homeDir(const EnvironmentLookup& variable) {
    if (auto home = absoluteFrom(variable, "HOME"))
        return *home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::filesystem::path homeDir() {
    return homeDir(std::getenv);
}

std::filesystem::path dataHome() {
    return dataHome(std::getenv);
}

std::filesystem::path dataHome(const EnvironmentLookup& variable) {
    return absoluteFrom(variable, "XDG_DATA_HOME").value_or(homeDir(variable) / ".local" / "share");
}

std::filesystem::path configHome() {
    return absoluteFromEnv("XDG_CONFIG_HOME").value_or(homeDir() / ".config");
}

std::filesystem::path cacheHome() {
    return absoluteFromEnv("XDG_CACHE_HOME").value_or(homeDir() / ".cache");
}

namespace {

// A folder that no one else can have planted or can reach: a real folder, not a link, ours,
// closed to others.
bool isPrivateFolder(const std::filesystem::path& dir) {
    struct stat info {};
    return ::lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

} // namespace

std::filesystem::path runtimeDir() {
    if (auto dir = absoluteFromEnv("XDG_RUNTIME_DIR"))
        return *dir;
    std::error_code error;
    // The temporary folder is shared by every user, so the predictable name is only used
    // when it is really ours.
    auto shared = std::filesystem::temp_directory_path(error) /
                  ("kestrane-runtime-" + std::to_string(::getuid()));
    ::mkdir(shared.c_str(), 0700);
    if (isPrivateFolder(shared))
        return shared;
    auto own = cacheHome() / "kestrane-wallpapers" / "runtime";
    std::filesystem::create_directories(own, error);
    ::chmod(own.c_str(), 0700);
    return own;
}

std::filesystem::path applicationSupportDir() {
    return dataHome() / std::string(kAppName);
}

std::optional<std::filesystem::path> executableDir() {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::nullopt;
    return exe.parent_path();
}

std::optional<std::filesystem::path> resourcesDirBeside(const std::filesystem::path& exeDir) {
    const auto prefix = exeDir.parent_path();
    for (auto candidate : {prefix / "resources", prefix / "share" / "kestrane-wallpapers"})
        if (isDirectory(candidate))
            return candidate;
    return std::nullopt;
}

std::optional<std::filesystem::path> resourcesDir() {
    if (const char* value = std::getenv("KESTRANE_RESOURCES"); value && *value) {
        std::filesystem::path dir(value);
        if (isDirectory(dir))
            return std::filesystem::absolute(dir);
        return std::nullopt;
    }
    if (auto exeDir = executableDir())
        return resourcesDirBeside(*exeDir);
    return std::nullopt;
}

} // namespace ks::Locations
