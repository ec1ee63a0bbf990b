#pragma once

#include "library/http_client.h"

#include <atomic>
#include <cstddef>

namespace ks {

inline constexpr std::size_t kLargestHttpBody = std::size_t{2} << 30;

// HttpClient over libcurl, one easy handle per request, safe to use from several threads.
// `timeout` bounds how long a request may go without progress: connecting, waiting for the
// answer, or between two chunks of the body. A body larger than `maxBodyBytes` fails the
// request. Redirects are followed to https only.
class CurlHttpClient final : public HttpClient {
public:
    explicit CurlHttpClient(std::size_t maxBodyBytes = kLargestHttpBody);

    HttpResponse get(const std::string& url, Seconds timeout) override;

    // Ends every request in progress as failed within about a second, and fails those made
    // after it at once; from any thread. For quitting during a download.
    void cancelAll() { m_cancelled = true; }

private:
    std::size_t m_maxBodyBytes;
    std::atomic<bool> m_cancelled{false};
};

} // namespace ks
