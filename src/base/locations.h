#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace ks {

inline constexpr std::string_view kBundleID = "local.kestrane.wallpapers";
inline constexpr std::string_view kAppName = "Kestrane Wallpapers";

// Where the application's files live, following the XDG base directories. Every function
// reads the environment anew, so tests can point them at temporary folders.
namespace Locations {

std::filesystem::path homeDir();
// $XDG_DATA_HOME, or ~/.local/share when unset or not absolute.
std::filesystem::path dataHome();
// A variable's value, null when it is unset.
using EnvironmentLookup = std::function<const char*(const char* name)>;
// The data home another environment gives, such as another process's.
std::filesystem::path dataHome(const EnvironmentLookup& variable);
// $XDG_CONFIG_HOME, or ~/.config.
std::filesystem::path configHome();
// $XDG_CACHE_HOME, or ~/.cache.
std::filesystem::path cacheHome();
// $XDG_RUNTIME_DIR, or a private folder of ours in the temporary directory (in the cache
// folder when someone else holds that name).
std::filesystem::path runtimeDir();
// The application's data ("Application Support"): $XDG_DATA_HOME/Kestrane Wallpapers.
std::filesystem::path applicationSupportDir();
// The folder of the running executable.
std::optional<std::filesystem::path> executableDir();
// The read-only resources: $KESTRANE_RESOURCES, else build/resources beside build/bin in a
// build tree, else <prefix>/share/kestrane-wallpapers once installed. None when no
// candidate exists.
std::optional<std::filesystem::path> resourcesDir();
// The candidates `resourcesDir` tries for an executable in `exeDir`, in order.
std::optional<std::filesystem::path> resourcesDirBeside(const std::filesystem::path& exeDir);

} // namespace Locations
} // namespace ks
