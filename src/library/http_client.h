#pragma once

#include "base/bytes.h"
#include "base/clock.h"

#include <optional>
#include <string>

namespace ks {

struct HttpResponse {
    // The HTTP status code; 0 when no HTTP answer came at all (refused, host not found,
    // timed out, cut off, or a transfer that failed part way).
    long status = 0;
    // The whole body; none unless the transfer completed.
    std::optional<Bytes> body;
};

// A blocking HTTP GET. Implementations make exactly one attempt: callers decide on retries.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual HttpResponse get(const std::string& url, Seconds timeout) = 0;
};

} // namespace ks
