#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ks::Config {

// The application data folder's "packs": downloaded blobs. Created (with its parents) on
// every access; a failure to create it is ignored.
std::filesystem::path downloadedPacksDir();

// The pack server built in. No public server answers there yet: point
// KESTRANE_PACK_SERVER at one.
inline constexpr std::string_view kBuiltInPackServer = "https://packs.kestrane-wallpapers.invalid";

// The pack server's base URL, scheme and host (and port) only, without a trailing "/":
// KESTRANE_PACK_SERVER when it is an https URL, or an http URL of a loopback host
// (127.0.0.0/8, ::1, localhost); otherwise the built-in server, with one log line per
// rejected value.
std::string remoteBaseURL();

} // namespace ks::Config
