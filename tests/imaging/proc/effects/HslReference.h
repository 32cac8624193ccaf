#pragma once

#include <algorithm>
#include <cstdint>

namespace {

// The HSL model as the textbook gives it, one pixel at a time with branches: the oracle the
// filter's lanes are held to.

// A colour in the HSL model, each component in 0..1.
struct HslColor {
  double Hue = 0.0;
  double Saturation = 0.0;
  double Lightness = 0.0;
};

inline HslColor RgbToHsl(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const double r = red / 255.0;
  const double g = green / 255.0;
  const double b = blue / 255.0;
  const double high = std::max({r, g, b});
  const double low = std::min({r, g, b});
  HslColor hsl;
  hsl.Lightness = (high + low) / 2.0;
  if (high == low)
    return hsl;
  const double delta = high - low;
  hsl.Saturation = hsl.Lightness < 0.5 ? delta / (high + low) : delta / (2.0 - high - low);
  double hue;
  if (r == high) {
    hue = (g - b) / delta;
  } else if (g == high) {
    hue = 2.0 + (b - r) / delta;
  } else {
    hue = 4.0 + (r - g) / delta;
  }
  hue /= 6.0;
  if (hue < 0.0)
    hue += 1.0;
  hsl.Hue = hue;
  return hsl;
}

namespace hsl_reference {

inline double HueToChannel(double p, double q, double t) {
  if (t < 0.0)
    t += 1.0;
  if (t > 1.0)
    t -= 1.0;
  if (t < 1.0 / 6.0)
    return p + (q - p) * 6.0 * t;
  if (t < 0.5)
    return q;
  if (t < 2.0 / 3.0)
    return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
  return p;
}

// Rounds half to even for |value| < 2^51: adding 1.5 x 2^52 leaves no fraction bits, so the
// default rounding mode does the rounding, inline where nearbyint would be a library call.
inline double RoundHalfEven(double value) {
  constexpr double kShift = 6755399441055744.0;
  return (value + kShift) - kShift;
}

inline std::uint8_t ChannelByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(RoundHalfEven(value * 255.0), 0.0, 255.0));
}

}  // namespace hsl_reference

/// Converts back to 8-bit channels, each rounded half to even and clamped; the result is stored
/// blue, green, red as in a pfBGR24 pixel.
inline void HslToBgr(const HslColor& hsl, std::uint8_t* bgr) {
  using hsl_reference::ChannelByte;
  using hsl_reference::HueToChannel;
  const double l = hsl.Lightness;
  const double s = hsl.Saturation;
  if (s == 0.0) {
    bgr[0] = bgr[1] = bgr[2] = ChannelByte(l);
    return;
  }
  const double q = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  const double p = 2.0 * l - q;
  bgr[2] = ChannelByte(HueToChannel(p, q, hsl.Hue + 1.0 / 3.0));
  bgr[1] = ChannelByte(HueToChannel(p, q, hsl.Hue));
  bgr[0] = ChannelByte(HueToChannel(p, q, hsl.Hue - 1.0 / 3.0));
}

}  // namespace
