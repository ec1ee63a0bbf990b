#pragma once

#include "base/bytes.h"
#include "library/image.h"

#include <optional>
#include <vector>

namespace ks {

// An opaque black RGBA picture that display pictures are pasted into, for desktops that
// take one picture spanning every display.
class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Copies `image` with its top-left corner at `x`, `y`; what falls outside is cut off.
    void paste(const Image& image, int x, int y);
    // The RGBA bytes at `x`, `y`.
    const std::uint8_t* pixel(int x, int y) const;
    // The picture as PNG; none when encoding failed.
    std::optional<Bytes> png() const;

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_pixels;
};

} // namespace ks
