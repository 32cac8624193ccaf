#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

/// Chooses at most a given number of palette colours for a 24-bit image and maps its pixels to
/// them. An image with few enough distinct colours keeps them exactly; otherwise median cut on a
/// 5-bit-per-channel histogram picks the colours and each histogram cell maps to the palette
/// entry nearest its mean colour.
class TColorQuantizer {
 public:
  /// maxColors is kept within 1..256.
  explicit TColorQuantizer(int maxColors);

  /// Counts the colours of one row of blue, green, red pixels.
  void AddRow(const std::uint8_t* bgr, int width);
  /// Chooses the palette and writes it (blue, green, red per entry, 256 entries, unused ones
  /// black). Returns the number of colours chosen.
  int Build(std::uint8_t* palette);
  /// Palette index of each pixel of a row (after Build).
  void MapRow(const std::uint8_t* bgr, std::uint8_t* indices, int width) const;

 private:
  struct TBox {
    std::array<int, 3> low;  // red, green, blue cell coordinates, inclusive
    std::array<int, 3> high;
    std::int64_t count = 0;
  };
  static int Cell(int red, int green, int blue) {
    return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
  }
  void Shrink(TBox& box) const;
  bool Split(TBox& box, TBox& upper) const;
  std::array<std::uint8_t, 3> MeanColour(const TBox& box) const;

  int maxColors_;
  std::unordered_map<std::uint32_t, std::uint8_t> exact_;
  bool tooManyColours_ = false;
  std::vector<std::int64_t> count_;               // per cell
  std::vector<std::array<std::int64_t, 3>> sum_;  // per cell: red, green, blue
  std::vector<std::uint8_t> nearest_;             // per cell
};
