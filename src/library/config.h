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

// `url` in libcurl's normalised form when it is one we may fetch from or send the user to:
// https for any host, plain http only for this machine, no user name or password (which can
// disguise the host); otherwise none.
std::optional<std::string> safeRemoteURL(std::string_view url);

// The update feed's URL, any path allowed: KESTRANE_UPDATE_FEED, else the feed the build names
// (-DKESTRANE_UPDATE_FEED_URL), each taken only when `safeRemoteURL` takes it; otherwise
// none. Each rejected value is logged once.
std::optional<std::string> updateFeedURL();
// The same with `builtIn` standing for the build's feed (empty for none).
std::optional<std::string> updateFeedURL(std::string_view builtIn);

// The application's version, from the project version of the build.
std::string_view applicationVersion();

} // namespace ks::Config
