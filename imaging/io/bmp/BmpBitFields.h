#pragma once

#include <array>
#include <cstdint>
#include <span>

/// Expands 16-, 24- or 32-bit pixels with red, green and blue masks to blue, green, red bytes.
/// Each channel is moved so that its top bit lands on bit 7, leaving the low bits zero: this
/// turns 5-5-5 and 5-6-5 into 8 bits per channel. A channel narrower than its distance from
/// bit 7 shifts left instead of right, so no shift amount is ever negative.
class TBmpBitFields {
 public:
  /// masks: red, green, blue.
  explicit TBmpBitFields(const std::array<std::uint32_t, 3>& masks);

  /// The 5-5-5 layout that 16-bit pixels use when the file names no masks.
  static TBmpBitFields Default16();

  void ExpandRow(std::span<const std::uint8_t> fileRow, int bytesPerPixel, int width,
                 std::uint8_t* destination) const;

 private:
  struct Channel {
    std::uint32_t mask = 0;
    int rightShift = 0;
    int leftShift = 0;
  };
  static Channel MakeChannel(std::uint32_t mask);
  static std::uint8_t Extract(const Channel& channel, std::uint32_t pixel) {
    return static_cast<std::uint8_t>(((pixel & channel.mask) >> channel.rightShift)
                                     << channel.leftShift);
  }

  Channel red_;
  Channel green_;
  Channel blue_;
};
