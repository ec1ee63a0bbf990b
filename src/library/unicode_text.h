#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ks::unicode {

// One step of a UTF-8 decoder. An invalid sequence yields U+FFFD and spans its maximal
// subpart (the longest prefix that could still have begun a valid sequence, at least one
// byte), the replacement granularity that Unicode recommends.
struct DecodedChar {
    char32_t codePoint = 0;
    std::size_t length = 0;
    bool valid = false;
};
DecodedChar decodeAt(std::string_view text, std::size_t pos);

void appendUtf8(std::string& out, char32_t codePoint);

// `bytes` with every invalid sequence replaced by U+FFFD.
std::string repairUtf8(std::string_view bytes);

// A decimal digit of any script (general category Nd), not only 0-9.
bool isDecimalDigit(char32_t codePoint);
// Space separators, tab and line breaks.
bool isWhitespace(char32_t codePoint);

// Simple (one-to-one) Unicode lower-case mapping; invalid bytes are kept as they are.
std::string toLower(std::string_view text);
// `text` without white space at either end.
std::string_view trimWhitespace(std::string_view text);

} // namespace ks::unicode
