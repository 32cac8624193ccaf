#include "imaging/io/bmp/BmpColorTable.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/bmp/BmpHeader.h"

TBmpColorTable::TBmpColorTable(const TBmpHeader& header) {
  const std::size_t bytes = std::min(header.palette.size(), bgr_.size());
  std::copy_n(header.palette.begin(), bytes, bgr_.begin());
  whiteThenBlack_ = header.paletteCount == 2 && header.palette.size() >= 6 &&
                    header.palette[0] == 255 && header.palette[1] == 255 &&
                    header.palette[2] == 255 && header.palette[3] == 0 && header.palette[4] == 0 &&
                    header.palette[5] == 0;
}

void TBmpColorTable::UnpackRow(std::span<const std::uint8_t> fileRow, int bitCount, int width,
                               bool native, std::uint8_t* destination) const {
  if (width <= 0 || (bitCount != 4 && bitCount != 8))
    return;
  const auto pixels = static_cast<std::size_t>(width);
  if (fileRow.size() < (bitCount == 8 ? pixels : (pixels + 1) / 2))
    return;

  if (bitCount == 8 && native) {
    std::memcpy(destination, fileRow.data(), pixels);
    return;
  }
  for (std::size_t x = 0; x < pixels; ++x) {
    const std::uint8_t byte = fileRow[bitCount == 8 ? x : x / 2];
    const auto index = static_cast<std::uint8_t>(bitCount == 8 ? byte
                                                 : x % 2 == 0  ? byte >> 4
                                                               : byte & 0x0F);
    if (native) {
      destination[x] = index;
    } else {
      std::memcpy(destination + x * 3, Entry(index), 3);
    }
  }
}
