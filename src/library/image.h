#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ks {

// A decoded picture: RGBA8 pixels, rows packed without padding (stride = width * 4).
// The pixels are shared and never changed, so the value is cheap to copy between threads
// and the UI can wrap them without copying.
struct Image {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::uint8_t[]> pixels;

    std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
    std::size_t byteCount() const { return stride() * static_cast<std::size_t>(height); }
};

} // namespace ks
