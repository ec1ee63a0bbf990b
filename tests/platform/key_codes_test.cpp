#include "platform/key_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ks {
namespace {

TEST(KeyCodes, EveryLetterKeyAndNothingElse) {
    // The Mac ANSI layout's virtual key codes, letter by letter.
    const std::uint32_t codes[26] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                     45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    std::string letters;
    for (std::uint32_t code = 0; code < 200; ++code)
        if (const auto letter = letterOfKeyCode(code))
            letters += *letter;
    EXPECT_EQ(letters.size(), 26u) << letters << ": one letter per key";
    for (char letter = 'a'; letter <= 'z'; ++letter)
        EXPECT_EQ(letterOfKeyCode(codes[letter - 'a']), letter);
    // The ISO key, the digits' row, Return, the keys right of the letters.
    for (const std::uint32_t other : {10u, 18u, 29u, 30u, 36u, 39u, 47u, 0xffffffffu})
        EXPECT_EQ(letterOfKeyCode(other), std::nullopt) << other;
}

} // namespace
} // namespace ks
