#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace ks::gen {

Color hex(std::uint32_t rgb) {
    return {static_cast<float>((rgb >> 16) & 0xFF) / 255.f,
            static_cast<float>((rgb >> 8) & 0xFF) / 255.f, static_cast<float>(rgb & 0xFF) / 255.f};
}

float clamp01(float v) {
    return std::clamp(v, 0.f, 1.f);
}

float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.f - 2.f * t);
}

Canvas::Canvas(int width, int height)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height) {}

void Canvas::glow(float cx, float cy, float radius, float soft, Color color, float strength) {
    const float reach = radius + soft;
    const int x0 = std::max(0, static_cast<int>(cx - reach));
    const int x1 = std::min(m_width - 1, static_cast<int>(cx + reach) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - reach));
    const int y1 = std::min(m_height - 1, static_cast<int>(cy + reach) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy);
            const float t = d <= radius ? 1.f : 1.f - smoothstep(radius, reach, d);
            if (t > 0)
                at(x, y) = mix(at(x, y), color, t * strength);
        }
}

namespace {

// 4x4 Bayer matrix, scaled to +-0.5 of one 8-bit step.
float dither(int x, int y) {
    static constexpr int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<float>(kBayer[y & 3][x & 3]) + 0.5f) / 16.f - 0.5f;
}

std::uint8_t quantize(float v, float d) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.f + d), 0L, 255L));
}

} // namespace

std::vector<std::uint8_t> Canvas::toRgb8() const {
    std::vector<std::uint8_t> out(m_pixels.size() * 3);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const auto& c = at(x, y);
            const float d = dither(x, y);
            auto* p = &out[(static_cast<std::size_t>(y) * m_width + x) * 3];
            p[0] = quantize(c.r, d);
            p[1] = quantize(c.g, d);
            p[2] = quantize(c.b, d);
        }
    return out;
}

std::vector<std::uint8_t> Canvas::toRgba8(const std::vector<float>& alpha) const {
    std::vector<std::uint8_t> out(m_pixels.size() * 4);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * m_width + x;
            const auto& c = m_pixels[i];
            auto* p = &out[i * 4];
            p[0] = quantize(c.r, 0);
            p[1] = quantize(c.g, 0);
            p[2] = quantize(c.b, 0);
            p[3] = quantize(alpha[i], 0);
        }
    return out;
}

} // namespace ks::gen
