#pragma once

// Seeds of the metadata fuzzers are camera JPEG files: their first APP1 or APP13 segment is the
// input that counts. Anything that is not a JPEG file is taken as the segment's data itself.

#include <cstddef>
#include <cstdint>
#include <span>

/// The data of the first segment with the marker code in a JPEG file, or the whole input when
/// it does not begin with a start-of-image marker or holds no such segment.
inline std::span<const std::uint8_t> SegmentOrInput(std::span<const std::uint8_t> input,
                                                    std::uint8_t code) {
  if (input.size() < 4 || input[0] != 0xFF || input[1] != 0xD8)
    return input;
  std::size_t at = 2;
  while (at + 4 <= input.size() && input[at] == 0xFF) {
    const std::uint8_t marker = input[at + 1];
    const std::size_t length = static_cast<std::size_t>(input[at + 2]) << 8 | input[at + 3];
    if (marker == 0xDA || length < 2 || at + 2 + length > input.size())
      break;
    if (marker == code)
      return input.subspan(at + 4, length - 2);
    at += 2 + length;
  }
  return input;
}
