#pragma once

#include <cstdint>
#include <optional>

namespace ks {

// The letter keys by their Mac ANSI virtual key codes, the numbers our hot keys are written in.
// The codes follow the keys' places on the keyboard, not the alphabet.
inline constexpr char kLetterKeys[] = {
    'a', 's', 'd', 'f', 'h', 'g', 'z', 'x', 'c', 'v', 0, 'b', 'q', 'w', 'e', 'r', //  0-15
    'y', 't', 0,   0,   0,   0,   0,   0,   0,   0,   0, 0,   0,   0,   0,   'o', // 16-31
    'u', 0,   'i', 'p', 0,   'l', 'j', 0,   'k', 0,   0, 0,   0,   'n', 'm',      // 32-46
};

// The lower-case letter of a letter key; none for every other key.
constexpr std::optional<char> letterOfKeyCode(std::uint32_t keyCode) {
    if (keyCode >= sizeof kLetterKeys || kLetterKeys[keyCode] == 0)
        return std::nullopt;
    return kLetterKeys[keyCode];
}

} // namespace ks
