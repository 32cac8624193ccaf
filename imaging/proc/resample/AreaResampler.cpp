#include "imaging/proc/resample/AreaResampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/AreaRowKernels.h"

// The area walk cuts the source plane into pieces at every source and target
// boundary and adds length x height x value of each piece to its target pixel. The sums are
// regrouped here: within one target row, the strips of a source row are first summed per
// source column (or per piece, when interpolating in x), and the piece lengths are applied
// once when the row is emitted. Pieces and strips of length exactly 0 add nothing and are
// skipped; whole source rows are summed in integers.

namespace {

// A source boundary this close below a target boundary counts as that target boundary.
constexpr double kBoundaryTolerance = 0.0001;
constexpr int kChannels = 3;

// Cubic convolution kernel with a = -1.
double CubicWeight(double s) {
  if (s < 1.0)
    return (s - 2.0) * s * s + 1.0;
  if (s < 2.0)
    return ((5.0 - s) * s - 8.0) * s + 4.0;
  return 0.0;
}

// Weights of the neighbours at -1, 0, +1 and +2 for an interpolation at fraction f.
using Taps = std::array<double, 4>;

Taps InterpolationTaps(bool cubic, double f) {
  if (!cubic)
    return {0.0, 1.0 - f, f, 0.0};
  return {CubicWeight(f + 1.0), CubicWeight(f), CubicWeight(std::fabs(f - 1.0)),
          CubicWeight(std::fabs(f - 2.0))};
}

// Neighbours -1, 0, +1, +2 of index i in 0..size-1, clamped as the edges require.
std::array<int, 4> Neighbours(int i, int size) {
  const int current = std::min(i, size - 1);
  const int before = current <= 0 ? current : current - 1;
  const int after = current >= size - 1 ? current : current + 1;
  const int after2 = current + 1 >= size - 1 ? after : current + 2;
  return {before, current, after, after2};
}

// The horizontal pieces of one target row, in order, without those of length 0. Each piece
// reads the accumulator at its source column, or at its own index when interpolating in x.
// Per target column, the first run of whole pieces (length exactly 1) over consecutive
// accumulator entries is kept apart, so that its sum needs no multiplications.
struct ColumnPlan {
  std::vector<int> first;                           // first piece of each target column, then end
  std::vector<int> accIndex;                        // accumulator index of each piece
  std::vector<std::array<int, 4>> neighbourOffset;  // byte offsets of its four source neighbours
  std::vector<Taps> taps;                           // interpolation weights at the piece's fx
  std::vector<double> length;
  std::vector<int> runStart, runCount;  // the whole run of each target column
  std::vector<int> otherFirst;          // its other pieces, packed: first of each column, then end
  std::vector<int> otherIndex;
  std::vector<double> otherLength;
  // Every target column is a run of this many whole pieces right after the previous one
  // (an integer ratio), or 0.
  int uniformRun = 0;
};

void SplitRuns(ColumnPlan& plan, int targetWidth) {
  plan.otherFirst.push_back(0);
  for (int t = 0; t < targetWidth; ++t) {
    int start = -1, count = 0;
    bool runClosed = false;
    for (int p = plan.first[t]; p < plan.first[t + 1]; ++p) {
      const bool extends = !runClosed && plan.length[p] == 1.0 &&
                           (count == 0 || plan.accIndex[p] == start + count * kChannels);
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
    uniform = plan.runCount[t] == k && plan.runStart[t] == t * k * kChannels;
  plan.uniformRun = uniform ? k : 0;
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
    const bool endsAtTarget = sourceBoundary + kBoundaryTolerance >= targetBoundary;
    const double end = endsAtTarget ? targetBoundary : sourceBoundary;
    const double fx = endsAtTarget ? targetBoundary - i : 1.0;
    if (end - position != 0.0) {
      const std::array<int, 4> n = Neighbours(i, sourceWidth);
      const int piece = static_cast<int>(plan.length.size());
      plan.length.push_back(end - position);
      plan.accIndex.push_back((perPiece ? piece : n[1]) * kChannels);
      plan.neighbourOffset.push_back(
          {n[0] * kChannels, n[1] * kChannels, n[2] * kChannels, n[3] * kChannels});
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

double Clamp255(double value) {
  return std::min(std::max(value, 0.0), 255.0);
}

class AreaResampler {
 public:
  AreaResampler(TImgBitmap& source, TImgBitmap& target, bool cubic)
      : source_(source),
        target_(target),
        cubic_(cubic),
        sourceWidth_(source.Width()),
        sourceHeight_(source.Height()),
        width_(target.Width()),
        height_(target.Height()),
        gx_(static_cast<double>(sourceWidth_) / width_),
        gy_(static_cast<double>(sourceHeight_) / height_),
        interpolateX_(gx_ < 1.0),
        interpolateY_(gy_ < 1.0),
        plan_(PlanColumns(sourceWidth_, width_, cubic)),
        values_((interpolateX_ ? plan_.length.size() : static_cast<std::size_t>(sourceWidth_)) *
                kChannels),
        wholeRowsFitInt_(gy_ < 8.0e6),
        uniformWholeFitsInt_(plan_.uniformRun > 0 && plan_.uniformRun * (gy_ + 2.0) < 8.0e6) {}

  void Run(const ResampleProgress& progress);

 private:
  const double* CachedRow(int row);
  void LoadRow(int row, double* out);
  void AddStrip(int row, double fy, double weight);
  void AddWholeRow(const std::uint8_t* bytes);
  template <class Sum, class Read>
  void EmitWith(int targetRow, Read read);
  void EmitUniformWhole(int targetRow);
  void EmitRow(int targetRow);

  TImgBitmap& source_;
  TImgBitmap& target_;
  const bool cubic_;
  const int sourceWidth_, sourceHeight_, width_, height_;
  const double gx_, gy_;
  const bool interpolateX_, interpolateY_;
  const ColumnPlan plan_;
  // Values per target row: one per source column and channel, or per piece and channel when
  // interpolating in x.
  const std::size_t values_;
  // Whole rows summed in 32-bit integers cannot overflow below 8 million rows per target row.
  const bool wholeRowsFitInt_;
  // So can the sums over a uniform run of whole columns.
  const bool uniformWholeFitsInt_;
  // Up to four source rows (row r in slot r mod 4): bytes as doubles, or when interpolating
  // in x the interpolated value of every piece.
  std::array<std::vector<double>, 4> slots_;
  std::array<int, 4> slotRow_{-1, -1, -1, -1};
  // The target row being summed: weighted strips in doubles, whole source rows in integers.
  std::vector<double> weighted_;
  std::vector<std::int32_t> whole_;
  bool hasWeighted_ = false;
  bool hasWhole_ = false;
  // Unscaled sums of the target row being emitted.
  std::vector<double> sums_;
  std::vector<std::int32_t> wholeSums_;
};

void AreaResampler::LoadRow(int row, double* out) {
  const std::uint8_t* bytes = source_.RowPtr(row);
  if (!interpolateX_) {
    AddWeightedBytes(bytes, values_, 1.0, true, out);
    return;
  }
  // In both directions the cubic row values are truncated before the vertical step.
  const bool truncate = cubic_ && interpolateY_;
  const std::size_t pieces = plan_.length.size();
  for (std::size_t p = 0; p < pieces; ++p) {
    const std::array<int, 4>& o = plan_.neighbourOffset[p];
    const Taps& t = plan_.taps[p];
    if (t[0] == 0.0 && t[1] == 0.0 && t[2] == 1.0 && t[3] == 0.0) {
      // A piece that ends on a source boundary interpolates exactly the next pixel.
      for (int c = 0; c < kChannels; ++c)
        out[p * kChannels + c] = bytes[o[2] + c];
      continue;
    }
    for (int c = 0; c < kChannels; ++c) {
      double v = t[0] * bytes[o[0] + c] + t[1] * bytes[o[1] + c] + t[2] * bytes[o[2] + c] +
                 t[3] * bytes[o[3] + c];
      if (cubic_)
        v = Clamp255(v);
      if (truncate)
        v = std::trunc(v + kTruncationSlack);
      out[p * kChannels + c] = v;
    }
  }
}

const double* AreaResampler::CachedRow(int row) {
  const int slot = row & 3;
  if (slotRow_[slot] != row) {
    slots_[slot].resize(values_);
    LoadRow(row, slots_[slot].data());
    slotRow_[slot] = row;
  }
  return slots_[slot].data();
}

void AreaResampler::AddWholeRow(const std::uint8_t* bytes) {
  AddBytesToSums(bytes, values_, !hasWhole_, whole_.data());
  hasWhole_ = true;
}

void AreaResampler::AddStrip(int row, double fy, double weight) {
  const std::array<int, 4> rows = Neighbours(row, sourceHeight_);
  if (!interpolateX_ && !interpolateY_ && weight == 1.0 && wholeRowsFitInt_) {
    AddWholeRow(source_.RowPtr(rows[1]));
    return;
  }
  double* acc = weighted_.data();
  const bool fresh = !hasWeighted_;
  hasWeighted_ = true;
  if (interpolateY_) {
    const double* a = CachedRow(rows[0]);
    const double* b = CachedRow(rows[1]);
    const double* c = CachedRow(rows[2]);
    const double* d = CachedRow(rows[3]);
    const Taps t = InterpolationTaps(cubic_, fy);
    const double keep = fresh ? 0.0 : 1.0;
    if (cubic_) {
      for (std::size_t k = 0; k < values_; ++k)
        acc[k] = keep * acc[k] +
                 weight * Clamp255(t[0] * a[k] + t[1] * b[k] + t[2] * c[k] + t[3] * d[k]);
    } else {
      for (std::size_t k = 0; k < values_; ++k)
        acc[k] = keep * acc[k] + weight * (t[1] * b[k] + t[2] * c[k]);
    }
    return;
  }
  if (interpolateX_) {
    const double* values = CachedRow(rows[1]);
    if (fresh) {
      for (std::size_t k = 0; k < values_; ++k)
        acc[k] = weight * values[k];
    } else {
      for (std::size_t k = 0; k < values_; ++k)
        acc[k] += weight * values[k];
    }
    return;
  }
  AddWeightedBytes(source_.RowPtr(rows[1]), values_, weight, fresh, acc);
}

void AreaResampler::EmitUniformWhole(int targetRow) {
  // Only whole rows and, per target column, a run of whole columns: all in integers.
  const std::int32_t* a = whole_.data();
  std::int32_t* sums = wholeSums_.data();
  const int run = plan_.uniformRun;
  if (run == 2) {
    for (int t = 0; t < width_; ++t)
      for (int c = 0; c < kChannels; ++c)
        sums[kChannels * t + c] = a[2 * kChannels * t + c] + a[2 * kChannels * t + kChannels + c];
  } else {
    for (int t = 0; t < width_; ++t)
      for (int c = 0; c < kChannels; ++c) {
        std::int32_t r = 0;
        for (int m = 0; m < run; ++m)
          r += a[(t * run + m) * kChannels + c];
        sums[kChannels * t + c] = r;
      }
  }
  ScaleSumsToBytes(sums, wholeSums_.size(), 1.0 / (gx_ * gy_), target_.RowPtr(targetRow));
}

template <class Sum, class Read>
void AreaResampler::EmitWith(int targetRow, Read read) {
  double* sums = sums_.data();
  if (plan_.uniformRun > 0) {
    const int run = plan_.uniformRun;
    for (int t = 0; t < width_; ++t) {
      const int k0 = t * run * kChannels;
      for (int c = 0; c < kChannels; ++c) {
        Sum r = 0;
        for (int m = 0; m < run; ++m)
          r += read(k0 + m * kChannels + c);
        sums[kChannels * t + c] = static_cast<double>(r);
      }
    }
  }
  for (int t = 0; t < width_ && plan_.uniformRun == 0; ++t) {
    Sum r0 = 0, r1 = 0, r2 = 0;
    const int runEnd = plan_.runStart[t] + plan_.runCount[t] * kChannels;
    for (int k = plan_.runStart[t]; k < runEnd; k += kChannels) {
      r0 += read(k);
      r1 += read(k + 1);
      r2 += read(k + 2);
    }
    double s0 = static_cast<double>(r0), s1 = static_cast<double>(r1), s2 = static_cast<double>(r2);
    for (int o = plan_.otherFirst[t]; o < plan_.otherFirst[t + 1]; ++o) {
      const int k = plan_.otherIndex[o];
      const double l = plan_.otherLength[o];
      s0 += l * read(k);
      s1 += l * read(k + 1);
      s2 += l * read(k + 2);
    }
    sums[kChannels * t] = s0;
    sums[kChannels * t + 1] = s1;
    sums[kChannels * t + 2] = s2;
  }
  ScaleSumsToBytes(sums, sums_.size(), 1.0 / (gx_ * gy_), target_.RowPtr(targetRow));
}

void AreaResampler::EmitRow(int targetRow) {
  const double* weighted = weighted_.data();
  const std::int32_t* whole = whole_.data();
  if (hasWhole_ && hasWeighted_) {
    EmitWith<double>(targetRow, [=](int k) { return whole[k] + weighted[k]; });
  } else if (hasWhole_ && uniformWholeFitsInt_) {
    EmitUniformWhole(targetRow);
  } else if (hasWhole_) {
    EmitWith<std::int64_t>(targetRow, [=](int k) { return whole[k]; });
  } else if (hasWeighted_) {
    EmitWith<double>(targetRow, [=](int k) { return weighted[k]; });
  } else {
    EmitWith<double>(targetRow, [](int) { return 0.0; });
  }
  hasWhole_ = false;
  hasWeighted_ = false;
}

void AreaResampler::Run(const ResampleProgress& progress) {
  weighted_.resize(values_);
  if (!interpolateX_ && !interpolateY_)
    whole_.resize(values_);
  sums_.resize(static_cast<std::size_t>(width_) * kChannels);
  if (uniformWholeFitsInt_)
    wholeSums_.resize(sums_.size());
  double y = 0.0;
  double lastBoundary = 0.0;
  int j = 0;
  int rowsDone = 0;
  while (rowsDone < height_) {
    const bool endsAtSource = (j + 1) + kBoundaryTolerance < lastBoundary + gy_;
    double fy = 1.0;
    double stripHeight = 0.0;
    if (endsAtSource) {
      stripHeight = (j + 1) - y;
    } else {
      const double boundary = lastBoundary + gy_;
      fy = boundary - j;
      stripHeight = boundary - y;
      lastBoundary = boundary;
    }
    y += stripHeight;
    if (stripHeight != 0.0)
      AddStrip(j, fy, stripHeight);
    if (endsAtSource) {
      ++j;
    } else {
      EmitRow(rowsDone);
      ++rowsDone;
      ReportProgress(progress, static_cast<int>(static_cast<double>(rowsDone) / height_ * 100.0));
    }
  }
}

}  // namespace

void AreaResample(TImgBitmap& source, TImgBitmap& target, bool cubic,
                  const ResampleProgress& progress) {
  if (source.Width() <= 0 || source.Height() <= 0 || target.Width() <= 0 || target.Height() <= 0)
    return;
  AreaResampler(source, target, cubic).Run(progress);
}
