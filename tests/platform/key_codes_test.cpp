#include "platform/key_codes.h"

#include <gtest/gtest.h>

TEST(KeyCodes, EveryLetterKeyAndNothingElse) {
    // The Mac ANSI layout's virtual key codes of a to z.
    const std::uint32_t codes[26] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                     45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    int letters = 0;
    for (std::uint32_t code = 0; code < 300; ++code)
        letters += ks::letterOfKeyCode(code).has_value();
    EXPECT_EQ(letters, 26);
    for (char letter = 'a'; letter <= 'z'; ++letter)
        EXPECT_EQ(ks::letterOfKeyCode(codes[letter - 'a']), letter);
}
