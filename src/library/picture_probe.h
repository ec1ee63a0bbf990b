#pragma once

#include "base/bytes.h"

#include <string_view>

namespace ks {

// Whether libvips' loader `loader` is one of the still-image formats we decode. Everything
// else libvips could load (documents, vector graphics, scientific formats) is not a
// wallpaper and widens the attack surface for downloaded bytes.
bool isAllowedPictureLoader(std::string_view loader);

// Whether `bytes` hold a picture of an allowed format with a non-empty size, read from its
// header alone; nothing is decoded.
bool holdsPicture(ByteView bytes);

} // namespace ks
