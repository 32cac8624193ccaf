#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

/// Reads bits most significant first from a block of CCITT data. Bits past the end read as
/// zero and are never fetched from memory; AtEnd() tells when the data is used up.
class TCcittBitReader {
 public:
  explicit TCcittBitReader(std::span<const std::uint8_t> data)
      : data_(data), bitCount_(std::uint64_t{data.size()} * 8) {}

  bool AtEnd() const { return position_ >= bitCount_; }
  std::uint64_t Position() const { return position_; }
  /// The next count bits (1 to 32) as a number, without consuming them.
  std::uint32_t Peek(int count) const {
    const std::size_t firstByte = static_cast<std::size_t>(position_ / 8);
    std::uint64_t window = 0;
    if (firstByte + sizeof(window) <= data_.size()) {
      std::memcpy(&window, data_.data() + firstByte, sizeof(window));
      if constexpr (std::endian::native == std::endian::little)
        window = __builtin_bswap64(window);
    } else {
      for (std::size_t i = 0; i < sizeof(window); ++i) {
        const std::size_t index = firstByte + i;
        window = (window << 8) | (index < data_.size() ? data_[index] : 0u);
      }
    }
    const int shift = 64 - static_cast<int>(position_ % 8) - count;
    return static_cast<std::uint32_t>((window >> shift) & ((std::uint64_t{1} << count) - 1));
  }
  void Skip(int count) {
    position_ = std::min(position_ + static_cast<std::uint64_t>(count), bitCount_);
  }
  std::uint32_t Read(int count) {
    const std::uint32_t value = Peek(count);
    Skip(count);
    return value;
  }
  /// Number of zero bits from the current position, counting at most limit.
  int LeadingZeros(int limit) const {
    int zeros = 0;
    while (zeros < limit && position_ + static_cast<std::uint64_t>(zeros) < bitCount_) {
      const std::uint64_t bit = position_ + static_cast<std::uint64_t>(zeros);
      if ((data_[static_cast<std::size_t>(bit / 8)] >> (7 - bit % 8)) & 1)
        break;
      ++zeros;
    }
    return zeros;
  }
  /// Moves to the next byte boundary.
  void AlignToByte() { Skip(static_cast<int>((8 - position_ % 8) % 8)); }

 private:
  std::span<const std::uint8_t> data_;
  std::uint64_t bitCount_;
  std::uint64_t position_ = 0;
};
