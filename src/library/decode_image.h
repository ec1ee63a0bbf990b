#pragma once

#include "base/bytes.h"
#include "library/image.h"
#include "library/image_source.h"

#include <optional>

namespace ks {

// Decodes the first picture in `bytes` straight to a size whose longer side is at most
// `maxPixel` (never enlarged), upright, fully decoded. None when the bytes are no picture.
std::optional<Image> decodeImage(ByteView bytes, int maxPixel);
std::optional<Image> decodeImage(const ImageSource& source, int maxPixel);

} // namespace ks
