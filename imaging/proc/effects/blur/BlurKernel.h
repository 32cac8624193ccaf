#pragma once

#include <array>
#include <cstdint>

/// Gaussian weights of the blur in units of 1/65536 for the offsets -100..100, and the
/// effective radius beyond which every weight is zero.
class BlurKernel {
 public:
  static constexpr int kMaxOffset = 100;

  /// Builds the kernel of a radius greater than 0.
  explicit BlurKernel(double radius);

  /// 1..100: offsets farther from the centre carry zero weight on both sides.
  int EffectiveRadius() const { return effectiveRadius_; }
  /// The weight of an offset in -100..100.
  std::uint32_t Weight(int offset) const {
    return weights_[static_cast<std::size_t>(offset + kMaxOffset)];
  }

 private:
  std::array<std::uint32_t, 2 * kMaxOffset + 1> weights_{};
  int effectiveRadius_ = kMaxOffset;
};
