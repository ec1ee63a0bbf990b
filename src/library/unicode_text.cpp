#include "library/unicode_text.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <iterator>
#include <locale.h>

namespace ks::unicode {

namespace {

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The allowed range of the second byte depends on the lead byte; it is what excludes
// overlong forms, surrogates and code points above U+10FFFF.
struct LeadInfo {
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

LeadInfo leadInfo(unsigned char lead) {
    if (inRange(lead, 0xC2, 0xDF))
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (inRange(lead, 0xE1, 0xEF))
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (inRange(lead, 0xF1, 0xF3))
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

char32_t leadBits(unsigned char lead, std::size_t length) {
    switch (length) {
    case 2:
        return lead & 0x1F;
    case 3:
        return lead & 0x0F;
    default:
        return lead & 0x07;
    }
}

constexpr char32_t kReplacement = 0xFFFD;

// First code point of every block of ten Nd digits (Unicode 15).
constexpr char32_t kDigitZeros[] = {
    0x0030,  0x0660,  0x06F0,  0x07C0,  0x0966,  0x09E6,  0x0A66,  0x0AE6,  0x0B66,  0x0BE6,
    0x0C66,  0x0CE6,  0x0D66,  0x0DE6,  0x0E50,  0x0ED0,  0x0F20,  0x1040,  0x1090,  0x17E0,
    0x1810,  0x1946,  0x19D0,  0x1A80,  0x1A90,  0x1B50,  0x1BB0,  0x1C40,  0x1C50,  0xA620,
    0xA8D0,  0xA900,  0xA9D0,  0xA9F0,  0xAA50,  0xABF0,  0xFF10,  0x104A0, 0x10D30, 0x11066,
    0x110F0, 0x11136, 0x111D0, 0x112F0, 0x11450, 0x114D0, 0x11650, 0x116C0, 0x11730, 0x118E0,
    0x11950, 0x11C50, 0x11D50, 0x11DA0, 0x11F50, 0x16A60, 0x16AC0, 0x16B50, 0x1D7CE, 0x1D7D8,
    0x1D7E2, 0x1D7EC, 0x1D7F6, 0x1E140, 0x1E2F0, 0x1E4F0, 0x1E950, 0x1FBF0};
static_assert(std::is_sorted(std::begin(kDigitZeros), std::end(kDigitZeros)));

locale_t utf8Locale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t lowerCodePoint(char32_t codePoint) {
    if (codePoint < 0x80)
        return (codePoint >= 'A' && codePoint <= 'Z') ? codePoint + ('a' - 'A') : codePoint;
    const locale_t locale = utf8Locale();
    if (locale == locale_t{})
        return codePoint;
    return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(codePoint), locale));
}

} // namespace

DecodedChar decodeAt(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return {lead, 1, true};
    const LeadInfo info = leadInfo(lead);
    if (info.length == 0)
        return {kReplacement, 1, false};
    char32_t codePoint = leadBits(lead, info.length);
    for (std::size_t i = 1; i < info.length; ++i) {
        if (pos + i >= text.size())
            return {kReplacement, i, false};
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        const bool fits =
            i == 1 ? inRange(byte, info.secondLow, info.secondHigh) : inRange(byte, 0x80, 0xBF);
        if (!fits)
            return {kReplacement, i, false};
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return {codePoint, info.length, true};
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string repairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const DecodedChar c = decodeAt(bytes, pos);
        if (c.valid)
            out.append(bytes.substr(pos, c.length));
        else
            appendUtf8(out, kReplacement);
        pos += c.length;
    }
    return out;
}

bool isDecimalDigit(char32_t codePoint) {
    const auto* next = std::upper_bound(std::begin(kDigitZeros), std::end(kDigitZeros), codePoint);
    if (next == std::begin(kDigitZeros))
        return false;
    return codePoint - *std::prev(next) < 10;
}

bool isWhitespace(char32_t c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string toLower(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const DecodedChar c = decodeAt(text, pos);
        if (c.valid)
            appendUtf8(out, lowerCodePoint(c.codePoint));
        else
            out.append(text.substr(pos, c.length));
        pos += c.length;
    }
    return out;
}

std::string_view trimWhitespace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const DecodedChar c = decodeAt(text, begin);
        if (!c.valid || !isWhitespace(c.codePoint))
            break;
        begin += c.length;
    }
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        const DecodedChar c = decodeAt(text, pos);
        pos += c.length;
        if (!c.valid || !isWhitespace(c.codePoint))
            end = pos;
    }
    return text.substr(begin, end - begin);
}

} // namespace ks::unicode
