#include "imaging/io/LabToBgr.h"

#include <cmath>

namespace {

// Below this lightness the cube-root curve of L* gives way to its linear part.
constexpr double kLinearLightness = 7.9996;

double SignedComponent(std::uint8_t byte) {
  int value = static_cast<std::int8_t>(byte);
  if (value == -128)
    value = 128;
  return (value + 127) / 255.0 * 200.0 - 100.0;
}

std::uint8_t Channel(double t) {
  if (t <= 0.0)
    return 0;
  if (t >= 1.0)
    return 255;
  return static_cast<std::uint8_t>(std::sqrt(t) * 256.0);
}

}  // namespace

void LabToBgr(const std::uint8_t* source, std::uint8_t* destination, int count) {
  for (int i = 0; i < count; ++i, source += 3, destination += 3) {
    const double lightness = source[0] / 255.0 * 100.0;
    const double a = SignedComponent(source[1]);
    const double b = SignedComponent(source[2]);
    const double fy = (lightness + 16.0) / 116.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    if (lightness >= kLinearLightness) {
      x = std::pow(fy + a / 500.0, 3);
      y = fy * fy * fy;
      z = std::pow(fy - b / 200.0, 3);
    } else {
      y = lightness / 903.3;
      x = y + a / 3893.5;
      z = y - b / 1557.4;
    }
    destination[2] = Channel(2.69 * x - 1.276 * y - 0.414 * z);
    destination[1] = Channel(-1.022 * x + 1.978 * y + 0.044 * z);
    destination[0] = Channel(0.061 * x - 0.224 * y + 1.163 * z);
  }
}
