#pragma once

#include <cstddef>
#include <cstdint>

namespace ks {

// How a TrueColor visual lays out one pixel in a ZPixmap image: which bits hold red, green
// and blue, how many bits a pixel takes, how rows are padded, and the server's byte order.
struct X11PixelFormat {
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    int depth = 0;
    int bitsPerPixel = 0;
    int scanlinePad = 32;
    bool mostSignificantFirst = false;

    // Depths up to 32 with 16, 24 or 32 bits per pixel and a mask per colour.
    bool supported() const;
    // The bytes of one row of `width` pixels, padding included.
    std::size_t rowBytes(int width) const;
    // Converts `width` opaque RGBA8 pixels to one row of this format.
    void convertRow(const std::uint8_t* rgba, int width, std::uint8_t* out) const;
};

} // namespace ks
