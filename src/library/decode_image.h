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

// Decodes the first picture in `bytes` to exactly `width` x `height`: scaled, up or down, to
// cover the frame and cropped around its centre, upright. None when the bytes are no picture
// or the frame is empty or absurdly large.
std::optional<Image> decodeImageFilling(ByteView bytes, int width, int height);

} // namespace ks
