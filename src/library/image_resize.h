#pragma once

#include "library/image.h"

#include <optional>

namespace ks {

// `image` scaled down so that its longer side is at most `maxPixel`; the image itself when it
// is that small already. None when it cannot be scaled.
std::optional<Image> shrinkImage(const Image& image, int maxPixel);

} // namespace ks
