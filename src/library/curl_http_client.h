#pragma once

#include "library/http_client.h"

#include <atomic>
#include <cstddef>

namespace ks {

inline constexpr std::size_t kLargestHttpBody = std::size_t{2} << 30;

// What a request's `timeout` bounds: its time without progress (large downloads over slow
// lines), or the whole request (small documents, which a server trickling bytes must not
// hold up for ever).
enum class HttpTimeout { inactivity, wholeRequest };

// HttpClient over libcurl, one easy handle per request, safe to use from several threads.
// `timeout` bounds how long a request may go without progress: connecting, waiting for the
// answer, or between two chunks of the body; with HttpTimeout::wholeRequest, also the whole
// request. A body larger than `maxBodyBytes` fails the request. Redirects are followed to https
// only.
class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(std::size_t maxBodyBytes = kLargestHttpBody,
                            HttpTimeout timeoutBounds = HttpTimeout::inactivity);

    HttpResponse get(const std::string& url, Seconds timeout) override;

    // Ends every request in progress as failed within about a second, and fails those made
    // after it at once; from any thread. For quitting during a download.
    void cancelAll() { m_cancelled = true; }

private:
    std::size_t m_maxBodyBytes;
    HttpTimeout m_timeoutBounds;
    std::atomic<bool> m_cancelled{false};
};

} // namespace ks
