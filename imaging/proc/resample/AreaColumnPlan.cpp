#include "imaging/proc/resample/AreaColumnPlan.h"

#include <cmath>
#include <cstddef>

namespace {

// Cubic convolution kernel with a = -1.
double CubicWeight(double s) {
  if (s < 1.0)
    return (s - 2.0) * s * s + 1.0;
  if (s < 2.0)
    return ((5.0 - s) * s - 8.0) * s + 4.0;
  return 0.0;
}

void SplitRuns(ColumnPlan& plan, int targetWidth) {
  plan.otherFirst.push_back(0);
  for (int t = 0; t < targetWidth; ++t) {
    int start = -1, count = 0;
    bool runClosed = false;
    for (int p = plan.first[t]; p < plan.first[t + 1]; ++p) {
      const bool extends = !runClosed && plan.length[p] == 1.0 &&
                           (count == 0 || plan.accIndex[p] == start + count * kAreaChannels);
      if (extends) {
        if (count == 0)
          start = plan.accIndex[p];
        ++count;
        continue;
      }
      if (count > 0)
        runClosed = true;
      plan.otherIndex.push_back(plan.accIndex[p]);
      plan.otherLength.push_back(plan.length[p]);
    }
    plan.runStart.push_back(count > 0 ? start : 0);
    plan.runCount.push_back(count);
    plan.otherFirst.push_back(static_cast<int>(plan.otherIndex.size()));
  }
  const int k = plan.runCount.empty() ? 0 : plan.runCount[0];
  bool uniform = k > 0 && plan.otherIndex.empty();
  for (int t = 0; uniform && t < targetWidth; ++t)
    uniform = plan.runCount[t] == k && plan.runStart[t] == t * k * kAreaChannels;
  plan.uniformRun = uniform ? k : 0;
}

}  // namespace

AreaTaps InterpolationTaps(bool cubic, double f) {
  if (!cubic)
    return {0.0, 1.0 - f, f, 0.0};
  return {CubicWeight(f + 1.0), CubicWeight(f), CubicWeight(std::fabs(f - 1.0)),
          CubicWeight(std::fabs(f - 2.0))};
}

std::array<int, 4> Neighbours(int i, int size) {
  const int current = std::min(i, size - 1);
  const int before = current <= 0 ? current : current - 1;
  const int after = current >= size - 1 ? current : current + 1;
  const int after2 = current + 1 >= size - 1 ? after : current + 2;
  return {before, current, after, after2};
}

ColumnPlan PlanColumns(int sourceWidth, int targetWidth, bool cubic) {
  ColumnPlan plan;
  const double gx = static_cast<double>(sourceWidth) / targetWidth;
  const bool perPiece = gx < 1.0;
  plan.first.reserve(static_cast<std::size_t>(targetWidth) + 1);
  plan.first.push_back(0);
  double position = 0.0;
  double sourceBoundary = 1.0;
  double targetBoundary = gx;
  int i = 0;
  while (static_cast<int>(plan.first.size()) <= targetWidth) {
    const bool endsAtTarget = sourceBoundary + kAreaBoundaryTolerance >= targetBoundary;
    const double end = endsAtTarget ? targetBoundary : sourceBoundary;
    const double fx = endsAtTarget ? targetBoundary - i : 1.0;
    if (end - position != 0.0) {
      const std::array<int, 4> n = Neighbours(i, sourceWidth);
      const int piece = static_cast<int>(plan.length.size());
      plan.length.push_back(end - position);
      plan.accIndex.push_back((perPiece ? piece : n[1]) * kAreaChannels);
      plan.neighbourOffset.push_back(
          {n[0] * kAreaChannels, n[1] * kAreaChannels, n[2] * kAreaChannels, n[3] * kAreaChannels});
      plan.taps.push_back(InterpolationTaps(cubic, fx));
    }
    position = end;
    if (endsAtTarget) {
      targetBoundary += gx;
      plan.first.push_back(static_cast<int>(plan.length.size()));
    } else {
      sourceBoundary += 1.0;
      ++i;
    }
  }
  SplitRuns(plan, targetWidth);
  return plan;
}
