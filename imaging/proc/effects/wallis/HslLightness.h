#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

/// Channel values as fractions, v / 255, looked up instead of divided per pixel.
inline const std::array<double, 256>& UnitChannelTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> values{};
    for (std::size_t v = 0; v < values.size(); ++v)
      values[v] = static_cast<double>(v) / 255.0;
    return values;
  }();
  return table;
}

/// Lightness alone, (max + min) / 2 of the channels as fractions.
inline double HslLightnessOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const std::array<double, 256>& unit = UnitChannelTable();
  const std::uint8_t high = std::max({red, green, blue});
  const std::uint8_t low = std::min({red, green, blue});
  return (unit[high] + unit[low]) / 2.0;
}
