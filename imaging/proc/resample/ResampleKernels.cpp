#include "imaging/proc/resample/ResampleKernels.h"

#include <cmath>
#include <numbers>

namespace {

double Sinc(double t) {
  if (t == 0.0)
    return 1.0;
  const double angle = std::numbers::pi * t;
  return std::sin(angle) / angle;
}

}  // namespace

double KernelSupport(TResampleFilter filter) {
  switch (filter) {
    case rfTriangle:
      return 1.0;
    case rfHermite:
      return 1.0;
    case rfBell:
      return 1.5;
    case rfBSpline:
      return 2.0;
    case rfLanczos3:
      return 3.0;
    case rfMitchell:
      return 2.0;
    case rfNearest:
      return 1.0;
    case rfLinear:
      return 1.0;
    default:
      return 0.0;
  }
}

double KernelValue(TResampleFilter filter, double x) {
  const double a = std::fabs(x);
  switch (filter) {
    case rfTriangle:
      return a < 1.0 ? 1.0 - a : 0.0;
    case rfHermite:
      return a < 1.0 ? (2.0 * a - 3.0) * a * a + 1.0 : 0.0;
    case rfBell:
      if (a < 0.5)
        return 0.75 - a * a;
      if (a < 1.5)
        return 0.5 * (a - 1.5) * (a - 1.5);
      return 0.0;
    case rfBSpline:
      if (a < 1.0)
        return 0.5 * a * a * a - a * a + 2.0 / 3.0;
      if (a < 2.0)
        return (2.0 - a) * (2.0 - a) * (2.0 - a) / 6.0;
      return 0.0;
    case rfLanczos3:
      return a < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
    case rfMitchell:
      if (a < 1.0)
        return (7.0 * a * a * a - 12.0 * a * a + 16.0 / 3.0) / 6.0;
      if (a < 2.0)
        return (-(7.0 / 3.0) * a * a * a + 12.0 * a * a - 20.0 * a + 32.0 / 3.0) / 6.0;
      return 0.0;
    // Asymmetric on purpose: the half-way point counts on one side only.
    case rfNearest:
      return (x > -0.5 && x <= 0.5) ? 1.0 : 0.0;
    case rfLinear:
      return (x >= -1.0 && x < 1.0) ? 1.0 - a : 0.0;
    default:
      return 0.0;
  }
}
