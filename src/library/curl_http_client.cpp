#include "library/curl_http_client.h"

#include <algorithm>
#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <new>

namespace ks {

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    Bytes body;
    std::size_t limit = 0;
    Seconds idleLimit{};
    std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;
    CURL* handle = nullptr;
    bool reserved = false;
    const std::atomic<bool>* cancelled = nullptr;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (n > transfer.limit - transfer.body.size())
        return 0; // aborts the transfer
    if (!transfer.reserved) {
        // One allocation for the whole body when the server says how big it is, so a large
        // pack does not pass through a series of doubling copies.
        transfer.reserved = true;
        curl_off_t length = -1;
        curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        try {
            if (length > 0 && static_cast<std::size_t>(length) <= transfer.limit)
                transfer.body.reserve(static_cast<std::size_t>(length));
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    try {
        transfer.body.insert(transfer.body.end(), bytes, bytes + n);
    } catch (const std::bad_alloc&) {
        // No exception may cross libcurl's C frames: out of memory ends the transfer instead.
        return 0;
    }
    return n;
}

// The time-out is one of inactivity, as a slow but steady line must still get a large pack
// through: the request fails only when nothing moved for the whole time-out.
int onProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (*transfer.cancelled)
        return 1;
    const auto now = std::chrono::steady_clock::now();
    if (down != transfer.lastDown || up != transfer.lastUp) {
        transfer.lastDown = down;
        transfer.lastUp = up;
        transfer.lastActivity = now;
        return 0;
    }
    return now - transfer.lastActivity > transfer.idleLimit ? 1 : 0;
}

} // namespace

CurlHttpClient::CurlHttpClient(std::size_t maxBodyBytes, HttpTimeout timeoutBounds)
    : m_maxBodyBytes(maxBodyBytes), m_timeoutBounds(timeoutBounds) {
    initCurlOnce();
}

HttpResponse CurlHttpClient::get(const std::string& url, Seconds timeout) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    if (!handle)
        return {};
    CURL* curl = handle.get();
    if (m_cancelled)
        return {};
    Transfer transfer;
    transfer.cancelled = &m_cancelled;
    transfer.limit = m_maxBodyBytes;
    transfer.idleLimit = timeout;
    transfer.handle = curl;
    const auto timeoutMs = std::max<long>(
        1, static_cast<long>(std::chrono::duration<double, std::milli>(timeout).count()));

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect may move within https, never down to plain http or to another scheme.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    // Signals would reach other threads of the process; the queue thread blocks here.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    if (m_timeoutBounds == HttpTimeout::wholeRequest)
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Kestrane Wallpapers");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    if (curl_easy_perform(curl) != CURLE_OK)
        return {};
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return {status, std::move(transfer.body)};
}

} // namespace ks
