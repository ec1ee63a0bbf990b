#include "library/pack.h"
#include "library/unicode_text.h"
#include "library/wallpaper.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace ks {

namespace {

constexpr std::string_view kMiddleDot = "\u00B7";
constexpr std::string_view kEnDash = "\u2013";
constexpr std::string_view kExtraStopWords =
    " kestrane by quorvel desktop wallpaper wallpapers pack series light dark flipped flip x";

bool isAsciiLetter(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The last run of digits (of any script) that is not glued to a following Latin letter:
// "4k" and "2x" are sizes, not numbers.
std::optional<std::string_view> lastStandaloneDigitRun(std::string_view text) {
    std::optional<std::string_view> last;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto first = unicode::decodeAt(text, pos);
        if (!first.valid || !unicode::isDecimalDigit(first.codePoint)) {
            pos += first.length;
            continue;
        }
        const std::size_t start = pos;
        pos += first.length;
        bool followedByLetter = false;
        while (pos < text.size()) {
            const auto next = unicode::decodeAt(text, pos);
            if (!next.valid || !unicode::isDecimalDigit(next.codePoint)) {
                followedByLetter = next.valid && isAsciiLetter(next.codePoint);
                break;
            }
            pos += next.length;
        }
        if (!followedByLetter)
            last = text.substr(start, pos - start);
    }
    return last;
}

// Digits 0-9 only, within the signed 64-bit range; leading zeros are allowed.
std::optional<std::int64_t> parseDecimal(std::string_view digits) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::vector<std::string> splitAtSpaces(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const auto space = std::min(text.find(' ', pos), text.size());
        if (space > pos)
            pieces.emplace_back(text.substr(pos, space - pos));
        pos = space + 1;
    }
    return pieces;
}

std::string replaceSeparatorsWithSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, kEnDash.size()) == kEnDash) {
            out.push_back(' ');
            pos += kEnDash.size();
            continue;
        }
        const char c = text[pos++];
        out.push_back(c == '-' || c == '_' ? ' ' : c);
    }
    return out;
}

std::string tagSuffix(const Wallpaper& wallpaper, const Pack& pack, std::string_view lowerBase) {
    std::vector<std::string_view> tags;
    if (pack.hasVariants && wallpaper.variant == Variant::dark)
        tags.push_back("Dark");
    if (pack.hasVariants && wallpaper.variant == Variant::light)
        tags.push_back("Light");
    if (lowerBase.find("flip") != std::string_view::npos)
        tags.push_back("Flipped");
    if (tags.empty())
        return {};
    std::string suffix = " " + std::string(kMiddleDot);
    for (auto tag : tags)
        suffix.append(" ").append(tag);
    return suffix;
}

std::string keptWords(std::string_view base, const Pack& pack) {
    const auto stopWords =
        splitAtSpaces(unicode::toLower(pack.displayName) + std::string(kExtraStopWords));
    std::string joined;
    for (const auto& word : splitAtSpaces(replaceSeparatorsWithSpaces(base))) {
        if (std::find(stopWords.begin(), stopWords.end(), unicode::toLower(word)) !=
            stopWords.end())
            continue;
        if (!joined.empty())
            joined.push_back(' ');
        joined += word;
    }
    return std::string(unicode::trimWhitespace(joined));
}

} // namespace

std::string Wallpaper::title(const Pack& pack) const {
    const std::string base = displayName();
    const std::string suffix = tagSuffix(*this, pack, unicode::toLower(base));
    if (const auto run = lastStandaloneDigitRun(base)) {
        if (const auto number = parseDecimal(*run))
            return pack.displayName + " " + std::to_string(*number) + suffix;
    }
    const std::string words = keptWords(base, pack);
    if (words.empty())
        return pack.displayName + suffix;
    return pack.displayName + " " + words + suffix;
}

} // namespace ks
