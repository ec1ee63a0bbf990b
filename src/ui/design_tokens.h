#pragma once

namespace ks::DS {

// The settings window's measures, in points (Qt's device-independent pixels).

namespace Space {
inline constexpr double xs = 4;
inline constexpr double s = 8;
inline constexpr double m = 12;
inline constexpr double l = 16;
inline constexpr double xl = 24;
inline constexpr double xxl = 32;
} // namespace Space

namespace Radius {
inline constexpr double chip = 6;
inline constexpr double control = 8;
inline constexpr double card = 12;
} // namespace Radius

namespace FontSize {
inline constexpr double fine = 11;
inline constexpr double small = 12;
inline constexpr double body = 13;
inline constexpr double strong = 15;
inline constexpr double title = 17;
inline constexpr double display = 20;
} // namespace FontSize

} // namespace ks::DS
