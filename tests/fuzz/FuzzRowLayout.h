#pragma once

// What the row-decoder fuzzers share: the first input bytes choose the row length and the
// rest is the compressed data; every byte of every produced row is touched.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct TFuzzRows {
  int width = 1;
  std::size_t rowBytes = 1;
  int rows = 1;
  std::uint8_t option = 0;
  std::span<const std::uint8_t> data;
};

/// Splits an input into a row layout and the data; false when the input is too short.
inline bool SplitFuzzInput(const std::uint8_t* input, std::size_t size, int bitsPerPixel,
                           TFuzzRows& rows) {
  if (size < 4)
    return false;
  rows.width = 1 + ((input[0] << 8 | input[1]) % 4096);
  rows.rowBytes = (static_cast<std::size_t>(rows.width) * bitsPerPixel + 7) / 8;
  rows.rows = 1 + input[2] % 64;
  rows.option = input[3];
  rows.data = std::span<const std::uint8_t>(input + 4, size - 4);
  return true;
}

inline void TouchRow(const std::vector<std::uint8_t>& row) {
  volatile std::uint8_t sink = 0;
  for (std::uint8_t byte : row)
    sink = sink ^ byte;
}
