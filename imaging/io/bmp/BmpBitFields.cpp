#include "imaging/io/bmp/BmpBitFields.h"

TBmpBitFields::TBmpBitFields(const std::array<std::uint32_t, 3>& masks)
    : red_(MakeChannel(masks[0])), green_(MakeChannel(masks[1])), blue_(MakeChannel(masks[2])) {}

TBmpBitFields TBmpBitFields::Default16() {
  return TBmpBitFields({0x7C00, 0x03E0, 0x001F});
}

TBmpBitFields::Channel TBmpBitFields::MakeChannel(std::uint32_t mask) {
  if (mask == 0)
    return {};
  const int lowest = __builtin_ctz(mask);
  // Only the run of ones from the lowest set bit counts as the channel's width.
  int width = 0;
  while (lowest + width < 32 && ((mask >> (lowest + width)) & 1u) != 0)
    ++width;
  const int shift = lowest + width - 8;
  return shift >= 0 ? Channel{mask, shift, 0} : Channel{mask, 0, -shift};
}

void TBmpBitFields::ExpandRow(std::span<const std::uint8_t> fileRow, int bytesPerPixel, int width,
                              std::uint8_t* destination) const {
  if (width <= 0 || bytesPerPixel < 2 || bytesPerPixel > 4)
    return;
  const auto step = static_cast<std::size_t>(bytesPerPixel);
  const auto pixels = static_cast<std::size_t>(width);
  if (fileRow.size() / step < pixels)
    return;

  for (std::size_t x = 0; x < pixels; ++x) {
    const std::uint8_t* source = fileRow.data() + x * step;
    std::uint32_t pixel = 0;
    for (std::size_t b = 0; b < step; ++b)
      pixel |= static_cast<std::uint32_t>(source[b]) << (8 * b);
    std::uint8_t* out = destination + x * 3;
    out[0] = Extract(blue_, pixel);
    out[1] = Extract(green_, pixel);
    out[2] = Extract(red_, pixel);
  }
}
