#include "library/config.h"

#include "base/locations.h"
#include "base/log.h"

#include <algorithm>
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

// Whether every character may stand in a URL as it is: printable ASCII, no space, none of the
// characters that must be percent-encoded. libcurl lets quotes, angle brackets, backslashes and
// raw UTF-8 through, which browsers and toolkits each read their own way; and a NUL would end
// the text libcurl reads early.
bool isPlainURLText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return c > 0x20 && c < 0x7f &&
               std::string_view("\"<>\\^`{|}").find(c) == std::string_view::npos;
    });
}

// The parsed URL when `text` is one we may talk to: anything but https would carry what we
// fetch unprotected, except to this very machine. A user name or password is refused too:
// "https://example.org@elsewhere.net/" leads somewhere else than it reads.
UrlHandle parseSafeURL(std::string_view text) {
    UrlHandle url(curl_url(), &curl_url_cleanup);
    if (!url || !isPlainURLText(text) ||
        curl_url_set(url.get(), CURLUPART_URL, std::string(text).c_str(), 0) != CURLUE_OK)
        return {nullptr, &curl_url_cleanup};
    const auto scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const auto host = urlPart(url.get(), CURLUPART_HOST);
    if (!scheme || !host || host->empty() || urlPart(url.get(), CURLUPART_USER) ||
        urlPart(url.get(), CURLUPART_PASSWORD))
        return {nullptr, &curl_url_cleanup};
    if (*scheme != "https" && !(*scheme == "http" && isLoopbackHost(*host)))
        return {nullptr, &curl_url_cleanup};
    return url;
}

// The normalised base URL of a pack server: scheme, host and port only.
std::optional<std::string> validBaseURL(std::string_view text) {
    const UrlHandle url = parseSafeURL(text);
    if (!url)
        return std::nullopt;
    const auto path = urlPart(url.get(), CURLUPART_PATH).value_or("");
    if (urlPart(url.get(), CURLUPART_QUERY) || urlPart(url.get(), CURLUPART_FRAGMENT) ||
        (path != "" && path != "/"))
        return std::nullopt;
    std::string base =
        *urlPart(url.get(), CURLUPART_SCHEME) + "://" + *urlPart(url.get(), CURLUPART_HOST);
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

namespace {

// The URL the build names or, overriding it, the environment variable; `what` names it in
// the log ("pack server").
std::optional<std::string> configuredURL(std::string_view builtIn, const char* variable,
                                         const std::string& what,
                                         std::optional<std::string> (*valid)(std::string_view)) {
    std::optional<std::string> builtInURL;
    if (!builtIn.empty()) {
        builtInURL = valid(builtIn);
        if (!builtInURL)
            logOnce("Config: the built-in " + what + " \"" + std::string(builtIn) +
                    "\" is not an https URL (plain http only on this machine); no " + what);
    }
    const char* override = std::getenv(variable);
    if (!override || !*override)
        return builtInURL;
    if (auto url = valid(override))
        return url;
    logOnce("Config: " + std::string(variable) + " \"" + std::string(override) +
            "\" is not an https URL (plain http only on this machine); " +
            (builtInURL ? "using the built-in " + what : "no " + what));
    return builtInURL;
}

} // namespace

std::optional<std::string> remoteBaseURL(std::string_view builtIn) {
    return configuredURL(builtIn, "KESTRANE_PACK_SERVER", "pack server", &validBaseURL);
}

std::optional<std::string> safeRemoteURL(std::string_view text) {
    const UrlHandle url = parseSafeURL(text);
    if (!url)
        return std::nullopt;
    return urlPart(url.get(), CURLUPART_URL);
}

std::optional<std::string> updateFeedURL() {
    return updateFeedURL(KESTRANE_UPDATE_FEED_URL);
}

std::optional<std::string> updateFeedURL(std::string_view builtIn) {
    return configuredURL(builtIn, "KESTRANE_UPDATE_FEED", "update feed", &safeRemoteURL);
}

std::string_view applicationVersion() {
    return KESTRANE_VERSION;
}

} // namespace ks::Config
