#pragma once

#include "base/bytes.h"
#include "library/http_client.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ks {

// The largest feed body we take: the document is a few hundred bytes.
inline constexpr std::size_t kLargestUpdateFeed = 64 * 1024;

// Longer notes are cut (with "…"): the dialog shows them on a few lines at most.
inline constexpr std::size_t kLongestUpdateNotes = 300;

// A version of dotted whole numbers, "1.10.2". Missing parts count as zero, so "1.2" equals
// "1.2.0".
struct VersionNumber {
    std::vector<std::uint32_t> parts;

    // None for anything but one to eight dot-separated numbers of up to nine digits each
    // ("", "v1", "1..2", "1.2-beta", "1.99999999999").
    static std::optional<VersionNumber> parse(std::string_view text);

    friend std::strong_ordering operator<=>(const VersionNumber& a, const VersionNumber& b);
    friend bool operator==(const VersionNumber& a, const VersionNumber& b) {
        return (a <=> b) == std::strong_ordering::equal;
    }
};

// The feed document: {"version": "0.2.0", "url": "https://…", "notes": "…"}, notes optional.
struct UpdateFeed {
    std::string version; // as the feed writes it, a valid VersionNumber
    std::string url;     // normalised, https (or http on this machine)
    std::string notes;   // one line of at most kLongestUpdateNotes bytes, possibly empty
    bool operator==(const UpdateFeed&) const = default;
};

enum class FeedProblem { notJson, notAFeed };

// The feed in `body`, or what is wrong with it. A feed whose version is not a version, whose
// link is not safe to open (file:, javascript:, plain http elsewhere), or with a member of the
// wrong type is not a feed. Members we do not know are ignored.
std::variant<UpdateFeed, FeedProblem> parseUpdateFeed(ByteView body);

struct UpdateCheckResult {
    enum class Outcome { upToDate, updateAvailable, failed };
    Outcome outcome = Outcome::failed;
    // Up to date: our version; update available: the feed's.
    std::string version;
    std::string url;    // update available
    std::string notes;  // update available, may be empty
    std::string reason; // failed: what went wrong, e.g. "the update server could not be reached"
    bool operator==(const UpdateCheckResult&) const = default;

    static UpdateCheckResult failure(std::string reason);
    // What the application answers when the build names no feed.
    static UpdateCheckResult noFeed();
};

// The outcome of fetching the feed, for a running `ourVersion`. A feed that names a version no
// newer than ours is up to date: a lower number never offers a downgrade.
UpdateCheckResult evaluateUpdateResponse(const HttpResponse& response, std::string_view ourVersion);

// One line for the log, "Updater: …".
std::string updateLogLine(const UpdateCheckResult& result);

} // namespace ks
