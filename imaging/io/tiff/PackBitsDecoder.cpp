#include "imaging/io/tiff/PackBitsDecoder.h"

#include <algorithm>
#include <cstring>

std::size_t DecodePackBitsRow(std::span<const std::uint8_t> input, std::size_t& inputPosition,
                              std::span<std::uint8_t> output) {
  std::size_t produced = 0;
  while (produced < output.size() && inputPosition < input.size()) {
    const auto control = static_cast<std::int8_t>(input[inputPosition++]);
    if (control == -128)
      continue;
    const std::size_t room = output.size() - produced;
    if (control >= 0) {
      const std::size_t literal = static_cast<std::size_t>(control) + 1;
      const std::size_t available = std::min(literal, input.size() - inputPosition);
      const std::size_t copied = std::min(available, room);
      std::memcpy(output.data() + produced, input.data() + inputPosition, copied);
      inputPosition += available;
      produced += copied;
    } else {
      if (inputPosition >= input.size())
        break;
      const std::uint8_t value = input[inputPosition++];
      const std::size_t repeat = std::min<std::size_t>(1 - control, room);
      std::memset(output.data() + produced, value, repeat);
      produced += repeat;
    }
  }
  return produced;
}
