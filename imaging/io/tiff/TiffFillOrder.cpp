#include "imaging/io/tiff/TiffFillOrder.h"

#include <array>

namespace {

constexpr std::array<std::uint8_t, 256> MakeReversedBytes() {
  std::array<std::uint8_t, 256> table{};
  for (int value = 0; value < 256; ++value) {
    int reversed = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if ((value & (1 << bit)) != 0)
        reversed |= 0x80 >> bit;
    }
    table[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kReversedBytes = MakeReversedBytes();

}  // namespace

std::span<const std::uint8_t> InReadingOrder(std::span<const std::uint8_t> data,
                                             std::uint32_t fillOrder,
                                             std::vector<std::uint8_t>& buffer) {
  if (fillOrder != 2)
    return data;
  buffer.resize(data.size());
  for (std::size_t i = 0; i < data.size(); ++i)
    buffer[i] = kReversedBytes[data[i]];
  return buffer;
}
