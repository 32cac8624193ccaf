#include "app/batch/ConversionSettings.h"

#include <cstdint>

int JpegQualityFor(int qualityIndex) {
  static constexpr int kQualities[QualityCount] = {100, 90, 75, 50, 30};
  if (qualityIndex < 0 || qualityIndex >= QualityCount)
    return -1;
  return kQualities[qualityIndex];
}

namespace {

int DigitValue(char c, int base) {
  int digit = -1;
  if (c >= '0' && c <= '9') {
    digit = c - '0';
  } else if (base == 16 && c >= 'a' && c <= 'f') {
    digit = c - 'a' + 10;
  } else if (base == 16 && c >= 'A' && c <= 'F') {
    digit = c - 'A' + 10;
  }
  return digit < base ? digit : -1;
}

}  // namespace

bool TryParseSizeText(const std::string& text, int& value) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ')
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    base = 16;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' &&
             (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos == text.size())
    return false;
  // Hexadecimal texts may spell the full 32-bit pattern (as "$FFFFFFFF" for -1).
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    int digit = DigitValue(text[pos], base);
    if (digit < 0)
      return false;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (magnitude > limit)
      return false;
  }
  auto bits = static_cast<std::uint32_t>(magnitude);
  if (negative)
    bits = 0u - bits;
  value = static_cast<std::int32_t>(bits);
  return true;
}
