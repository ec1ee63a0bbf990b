#include "library/config.h"
#include "library/update_feed.h"

#include <cstdlib>

// Whatever the bytes, the reader answers; and what it accepts is safe to show and to open: a
// real version, a link that passes the check again unchanged, notes on one bounded line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ks::ByteView body(data, size);
    const auto parsed = ks::parseUpdateFeed(body);
    const auto result =
        ks::evaluateUpdateResponse({200, ks::Bytes(body.begin(), body.end())}, "0.1.0");
    const auto* feed = std::get_if<ks::UpdateFeed>(&parsed);
    if ((result.outcome == ks::UpdateCheckResult::Outcome::failed) != (feed == nullptr))
        std::abort();
    if (!feed)
        return 0;
    if (!ks::VersionNumber::parse(feed->version) ||
        ks::Config::safeRemoteURL(feed->url) != feed->url)
        std::abort();
    if (feed->notes.size() > ks::kLongestUpdateNotes)
        std::abort();
    for (const char c : feed->notes)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            std::abort();
    return 0;
}
