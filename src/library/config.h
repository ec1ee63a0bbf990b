#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ks::Config {

// The application data folder's "packs": downloaded blobs. Created (with its parents) on
// every access; a failure to create it is ignored.
std::filesystem::path downloadedPacksDir();

// The pack server's base URL, scheme and host (and port) only, without a trailing "/":
// KESTRANE_PACK_SERVER when it is an https URL, or an http URL of a loopback host
// (127.0.0.0/8, ::1, localhost); otherwise the server the build names
// (-DKESTRANE_PACK_SERVER_URL), checked the same way; otherwise none. Each rejected value is
// logged once.
std::optional<std::string> remoteBaseURL();
// The same with `builtIn` standing for the build's server (empty for none).
std::optional<std::string> remoteBaseURL(std::string_view builtIn);

} // namespace ks::Config
