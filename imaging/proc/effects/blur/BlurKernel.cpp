#include "imaging/proc/effects/blur/BlurKernel.h"

#include <cmath>

BlurKernel::BlurKernel(double radius) {
  std::array<double, 2 * kMaxOffset + 1> gauss{};
  double sum = 0.0;
  for (int d = -kMaxOffset; d <= kMaxOffset; ++d) {
    const double scaled = d / radius;
    const double g = std::exp(-(scaled * scaled) / 1.5);
    gauss[static_cast<std::size_t>(d + kMaxOffset)] = g;
    sum += g;
  }
  for (std::size_t i = 0; i < gauss.size(); ++i) {
    // nearbyint rounds half to even in the default rounding mode.
    weights_[i] = static_cast<std::uint32_t>(std::nearbyint(gauss[i] * 65536.0 / sum));
  }
  while (effectiveRadius_ > 1 && Weight(effectiveRadius_) == 0 && Weight(-effectiveRadius_) == 0) {
    --effectiveRadius_;
  }
}
