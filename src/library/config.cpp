#include "library/config.h"

#include "base/locations.h"
#include "base/log.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <strings.h>
#include <system_error>

namespace ks::Config {

namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::optional<std::string> urlPart(CURLU* url, CURLUPart what) {
    char* part = nullptr;
    if (curl_url_get(url, what, &part, 0) != CURLUE_OK || !part)
        return std::nullopt;
    std::string text(part);
    curl_free(part);
    return text;
}

bool isLoopbackHost(const std::string& host) {
    if (strcasecmp(host.c_str(), "localhost") == 0 || host == "[::1]")
        return true;
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

// The normalised base URL, or none when `text` is not one we may talk to: anything but
// https would carry the packs unprotected, except to this very machine.
std::optional<std::string> validBaseURL(const std::string& text) {
    UrlHandle url(curl_url(), &curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    const auto scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const auto host = urlPart(url.get(), CURLUPART_HOST);
    const auto path = urlPart(url.get(), CURLUPART_PATH).value_or("");
    if (!scheme || !host || host->empty() || urlPart(url.get(), CURLUPART_USER) ||
        urlPart(url.get(), CURLUPART_QUERY) || urlPart(url.get(), CURLUPART_FRAGMENT) ||
        (path != "" && path != "/"))
        return std::nullopt;
    if (*scheme != "https" && !(*scheme == "http" && isLoopbackHost(*host)))
        return std::nullopt;
    std::string base = *scheme + "://" + *host;
    if (const auto port = urlPart(url.get(), CURLUPART_PORT))
        base += ":" + *port;
    return base;
}

void logOnce(const std::string& line) {
    static std::mutex mutex;
    static std::set<std::string> logged;
    std::lock_guard lock(mutex);
    if (logged.insert(line).second)
        logLine(line);
}

} // namespace

std::filesystem::path downloadedPacksDir() {
    auto dir = Locations::applicationSupportDir() / "packs";
    // Made again on every access so a folder deleted while we run comes back; when it
    // cannot be made, lookups simply find nothing there.
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

std::optional<std::string> remoteBaseURL() {
    return remoteBaseURL(KESTRANE_PACK_SERVER_URL);
}

std::optional<std::string> remoteBaseURL(std::string_view builtIn) {
    std::optional<std::string> builtInBase;
    if (!builtIn.empty()) {
        builtInBase = validBaseURL(std::string(builtIn));
        if (!builtInBase)
            logOnce("Config: the built-in pack server \"" + std::string(builtIn) +
                    "\" is not an https URL (plain http only on this machine); no pack server");
    }
    const char* override = std::getenv("KESTRANE_PACK_SERVER");
    if (!override || !*override)
        return builtInBase;
    if (auto base = validBaseURL(override))
        return base;
    logOnce("Config: KESTRANE_PACK_SERVER \"" + std::string(override) +
            "\" is not an https URL (plain http only on this machine); " +
            (builtInBase ? "using the built-in pack server" : "no pack server"));
    return builtInBase;
}

} // namespace ks::Config
