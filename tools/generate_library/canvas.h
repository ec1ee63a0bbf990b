#pragma once

#include <cstdint>
#include <vector>

namespace ks::gen {

struct Color {
    float r = 0, g = 0, b = 0;
};

inline Color mix(Color a, Color b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Color scale(Color c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}
inline Color add(Color a, Color b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
// A colour from 0xRRGGBB.
Color hex(std::uint32_t rgb);

float clamp01(float v);
float smoothstep(float edge0, float edge1, float x);

// A picture being painted, in linear floating-point RGB.
class Canvas {
public:
    Canvas(int width, int height);
    int width() const { return m_width; }
    int height() const { return m_height; }
    Color& at(int x, int y) { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    const Color& at(int x, int y) const {
        return m_pixels[static_cast<std::size_t>(y) * m_width + x];
    }

    // Blends `color` into a soft disc: full strength inside `radius`, fading out to `radius +
    // soft`.
    void glow(float cx, float cy, float radius, float soft, Color color, float strength);
    // 8-bit RGB with an ordered dither, so smooth gradients do not band.
    std::vector<std::uint8_t> toRgb8() const;
    // 8-bit RGBA with the given alpha plane (0..1 per pixel).
    std::vector<std::uint8_t> toRgba8(const std::vector<float>& alpha) const;

private:
    int m_width;
    int m_height;
    std::vector<Color> m_pixels;
};

} // namespace ks::gen
