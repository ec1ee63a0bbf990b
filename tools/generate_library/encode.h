#pragma once

#include "canvas.h"

#include "base/bytes.h"

#include <string_view>
#include <vector>

namespace ks::gen {

enum class Format { jpeg, png, webp, heic };

// The picture encoded without metadata, so the same pixels always give the same bytes.
Bytes encode(const Canvas& canvas, Format format);
// An RGBA picture (icons) as PNG.
Bytes encodePngWithAlpha(const Canvas& canvas, const std::vector<float>& alpha);

Format formatForFileName(std::string_view fileName);

} // namespace ks::gen
