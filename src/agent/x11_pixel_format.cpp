#include "agent/x11_pixel_format.h"

#include <bit>

namespace ks {

namespace {

struct Channel {
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t mask)
        : shift(mask ? std::countr_zero(mask) : 0), bits(std::popcount(mask)) {}

    std::uint32_t place(std::uint8_t value) const {
        if (bits == 0)
            return 0;
        const std::uint64_t top = (std::uint64_t{1} << bits) - 1;
        return static_cast<std::uint32_t>((value * top + 127) / 255) << shift;
    }
};

bool contiguous(std::uint32_t mask) {
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

} // namespace

bool X11PixelFormat::supported() const {
    const bool sizeOk = bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    const bool padOk = scanlinePad == 8 || scanlinePad == 16 || scanlinePad == 32;
    return sizeOk && padOk && depth > 0 && depth <= bitsPerPixel && redMask && greenMask &&
           blueMask && contiguous(redMask) && contiguous(greenMask) && contiguous(blueMask);
}

std::size_t X11PixelFormat::rowBytes(int width) const {
    const std::size_t bits = static_cast<std::size_t>(width) * bitsPerPixel;
    const std::size_t pad = static_cast<std::size_t>(scanlinePad);
    return (bits + pad - 1) / pad * pad / 8;
}

void X11PixelFormat::convertRow(const std::uint8_t* rgba, int width, std::uint8_t* out) const {
    const Channel red(redMask), green(greenMask), blue(blueMask);
    // Bits of the depth that are no colour are alpha on 32-bit visuals: opaque.
    const std::uint32_t depthBits = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    const std::uint32_t alpha = depthBits & ~(redMask | greenMask | blueMask);
    const int bytes = bitsPerPixel / 8;
    for (int x = 0; x < width; ++x, rgba += 4, out += bytes) {
        const std::uint32_t value =
            red.place(rgba[0]) | green.place(rgba[1]) | blue.place(rgba[2]) | alpha;
        for (int b = 0; b < bytes; ++b) {
            const int shift = mostSignificantFirst ? (bytes - 1 - b) * 8 : b * 8;
            out[b] = static_cast<std::uint8_t>(value >> shift);
        }
    }
}

} // namespace ks
