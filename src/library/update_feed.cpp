#include "library/update_feed.h"

#include "base/json_fields.h"
#include "library/config.h"

#include <algorithm>
#include <charconv>

namespace ks {

namespace {

constexpr std::size_t kMostVersionParts = 8;
constexpr std::size_t kMostVersionDigits = 9; // fits a uint32_t

// The notes on one line: line breaks and other control characters (C0, DEL, C1's NEL and
// Unicode's line and paragraph separators) become spaces, and long notes are cut at a
// character boundary.
std::string oneLine(std::string_view text) {
    std::string line;
    line.reserve(std::min(text.size(), kLongestUpdateNotes));
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t width = 1;
        if (c < 0x20 || c == 0x7f) {
            line += ' ';
        } else if (text.substr(i, 2) == "\xc2\x85") {
            line += ' ';
            width = 2;
        } else if (text.substr(i, 3) == "\xe2\x80\xa8" || text.substr(i, 3) == "\xe2\x80\xa9") {
            line += ' ';
            width = 3;
        } else {
            line += text[i];
        }
        i += width;
    }
    const auto isSpace = [](char c) { return c == ' '; };
    while (!line.empty() && isSpace(line.back()))
        line.pop_back();
    const auto first = std::find_if_not(line.begin(), line.end(), isSpace);
    line.erase(line.begin(), first);
    if (line.size() <= kLongestUpdateNotes)
        return line;
    std::size_t cut = kLongestUpdateNotes - 3; // room for "…"
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xc0) == 0x80)
        --cut; // never inside a UTF-8 sequence
    line.resize(cut);
    return line + "\xe2\x80\xa6";
}

} // namespace

std::optional<VersionNumber> VersionNumber::parse(std::string_view text) {
    VersionNumber version;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > kMostVersionDigits ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            version.parts.size() == kMostVersionParts)
            return std::nullopt;
        std::uint32_t number = 0;
        std::from_chars(part.data(), part.data() + part.size(), number);
        version.parts.push_back(number);
        if (dot == std::string_view::npos)
            return version;
        text.remove_prefix(dot + 1);
    }
}

std::strong_ordering operator<=>(const VersionNumber& a, const VersionNumber& b) {
    const std::size_t n = std::max(a.parts.size(), b.parts.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t x = i < a.parts.size() ? a.parts[i] : 0;
        const std::uint32_t y = i < b.parts.size() ? b.parts[i] : 0;
        if (x != y)
            return x <=> y;
    }
    return std::strong_ordering::equal;
}

std::variant<UpdateFeed, FeedProblem> parseUpdateFeed(ByteView body) {
    // The parser takes a raw NUL for the end of the input and would accept whatever follows.
    if (std::ranges::find(body, std::uint8_t{0}) != body.end())
        return FeedProblem::notJson;
    json::Json root;
    try {
        // Garbage, truncation and invalid UTF-8 come back as a discarded value, not a throw.
        root = json::Json::parse(body.begin(), body.end(), nullptr, false);
    } catch (const std::exception&) {
        return FeedProblem::notJson; // out of memory
    }
    if (root.is_discarded())
        return FeedProblem::notJson;
    if (!root.is_object())
        return FeedProblem::notAFeed;
    const auto version = json::requiredString(root, "version");
    const auto url = json::requiredString(root, "url");
    const auto notes = json::optionalString(root, "notes");
    if (!version || !url || !notes || !VersionNumber::parse(*version))
        return FeedProblem::notAFeed;
    auto safeURL = Config::safeRemoteURL(*url);
    if (!safeURL)
        return FeedProblem::notAFeed;
    return UpdateFeed{*version, std::move(*safeURL), oneLine(notes->value_or(""))};
}

UpdateCheckResult UpdateCheckResult::failure(std::string reason) {
    return {Outcome::failed, {}, {}, {}, std::move(reason)};
}

UpdateCheckResult UpdateCheckResult::noFeed() {
    return failure("no update feed is configured");
}

UpdateCheckResult evaluateUpdateResponse(const HttpResponse& response,
                                         std::string_view ourVersion) {
    using Outcome = UpdateCheckResult::Outcome;
    if (response.status == 0 || !response.body)
        return UpdateCheckResult::failure("the update server could not be reached");
    if (response.status != 200)
        return UpdateCheckResult::failure("the update server answered with HTTP status " +
                                          std::to_string(response.status));
    const auto parsed = parseUpdateFeed(*response.body);
    if (const auto* problem = std::get_if<FeedProblem>(&parsed))
        return UpdateCheckResult::failure(*problem == FeedProblem::notJson
                                              ? "the update server's answer is not JSON"
                                              : "the update server's answer is not a valid "
                                                "update feed");
    const auto& feed = std::get<UpdateFeed>(parsed);
    // Our own version is the build's and always parses; were it not to, any valid feed counts
    // as newer than nothing.
    const VersionNumber ours = VersionNumber::parse(ourVersion).value_or(VersionNumber{});
    if (*VersionNumber::parse(feed.version) <= ours)
        return {Outcome::upToDate, std::string(ourVersion), {}, {}, {}};
    return {Outcome::updateAvailable, feed.version, feed.url, feed.notes, {}};
}

std::string updateLogLine(const UpdateCheckResult& result) {
    using Outcome = UpdateCheckResult::Outcome;
    switch (result.outcome) {
    case Outcome::upToDate:
        return "Updater: Kestrane Wallpapers " + result.version + " is up to date";
    case Outcome::updateAvailable:
        return "Updater: Kestrane Wallpapers " + result.version + " is available at " + result.url;
    case Outcome::failed:
        break;
    }
    return "Updater: could not check for updates: " + result.reason;
}

} // namespace ks
