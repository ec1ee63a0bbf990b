#include "agent/canvas.h"

#include "library/vips_runtime.h"

#include <algorithm>
#include <cstring>
#include <vips/vips8>

namespace ks {

Canvas::Canvas(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 4) {
    for (std::size_t i = 3; i < m_pixels.size(); i += 4)
        m_pixels[i] = 255;
}

void Canvas::paste(const Image& image, int x, int y) {
    const int left = std::max(x, 0);
    const int right = std::min(x + image.width, m_width);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + image.height, m_height);
    if (left >= right || top >= bottom)
        return;
    const auto rowBytes = static_cast<std::size_t>(right - left) * 4;
    for (int row = top; row < bottom; ++row) {
        const std::uint8_t* from = image.pixels.get() +
                                   static_cast<std::size_t>(row - y) * image.stride() +
                                   static_cast<std::size_t>(left - x) * 4;
        std::memcpy(m_pixels.data() + (static_cast<std::size_t>(row) * m_width + left) * 4, from,
                    rowBytes);
    }
}

const std::uint8_t* Canvas::pixel(int x, int y) const {
    return m_pixels.data() + (static_cast<std::size_t>(y) * m_width + x) * 4;
}

std::optional<Bytes> Canvas::png() const {
    if (m_pixels.empty() || !ensureVipsStarted())
        return std::nullopt;
    try {
        const vips::VImage rgba =
            vips::VImage::new_from_memory(const_cast<std::uint8_t*>(m_pixels.data()),
                                          m_pixels.size(), m_width, m_height, 4, VIPS_FORMAT_UCHAR);
        void* buffer = nullptr;
        std::size_t size = 0;
        // Fast compression: the file is written on every change and read once by the desktop.
        rgba.extract_band(0, vips::VImage::option()->set("n", 3))
            .write_to_buffer(".png[compression=1]", &buffer, &size);
        Bytes bytes(static_cast<const std::uint8_t*>(buffer),
                    static_cast<const std::uint8_t*>(buffer) + size);
        g_free(buffer);
        return bytes;
    } catch (const std::exception&) {
        vips_error_clear();
        return std::nullopt;
    }
}

} // namespace ks
