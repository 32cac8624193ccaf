#include "imaging/proc/AreaResampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"

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

// The horizontal pieces: [0, W] cut at every source and every target column boundary.
struct ColumnPlan {
  std::vector<int> column;                 // source column of each piece
  std::vector<std::array<int, 4>> offset;  // byte offsets of its four neighbours
  std::vector<double> length;
  std::vector<Taps> taps;  // interpolation weights at the piece's fx
  std::vector<int> first;  // first piece of each target column, then the end
};

ColumnPlan PlanColumns(int sourceWidth, int targetWidth, bool cubic) {
  ColumnPlan plan;
  const double gx = static_cast<double>(sourceWidth) / targetWidth;
  const std::size_t capacity = static_cast<std::size_t>(sourceWidth) + targetWidth + 2;
  plan.column.reserve(capacity);
  plan.offset.reserve(capacity);
  plan.length.reserve(capacity);
  plan.taps.reserve(capacity);
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
    const std::array<int, 4> neighbours = Neighbours(i, sourceWidth);
    plan.column.push_back(neighbours[1]);
    plan.offset.push_back({neighbours[0] * kChannels, neighbours[1] * kChannels,
                           neighbours[2] * kChannels, neighbours[3] * kChannels});
    plan.length.push_back(end - position);
    plan.taps.push_back(InterpolationTaps(cubic, fx));
    position = end;
    if (endsAtTarget) {
      targetBoundary += gx;
      plan.first.push_back(static_cast<int>(plan.column.size()));
    } else {
      sourceBoundary += 1.0;
      ++i;
    }
  }
  return plan;
}

double Clamp255(double value) {
  return std::min(std::max(value, 0.0), 255.0);
}

// Accumulates weight x value into acc, or starts it when fresh.
void Accumulate(double* acc, const double* values, std::size_t count, double weight, bool fresh) {
  if (fresh) {
    for (std::size_t k = 0; k < count; ++k)
      acc[k] = weight * values[k];
  } else {
    for (std::size_t k = 0; k < count; ++k)
      acc[k] += weight * values[k];
  }
}

void AccumulateBytes(double* acc, const std::uint8_t* bytes, std::size_t count, double weight,
                     bool fresh) {
  if (fresh) {
    for (std::size_t k = 0; k < count; ++k)
      acc[k] = weight * bytes[k];
  } else if (weight == 1.0) {
    for (std::size_t k = 0; k < count; ++k)
      acc[k] += bytes[k];
  } else {
    for (std::size_t k = 0; k < count; ++k)
      acc[k] += weight * bytes[k];
  }
}

// Four-row interpolation of rows a..d with the taps, clamped for the cubic kernel.
void CombineRows(double* out, const double* a, const double* b, const double* c, const double* d,
                 std::size_t count, const Taps& t, bool cubic) {
  if (cubic) {
    for (std::size_t k = 0; k < count; ++k)
      out[k] = Clamp255(t[0] * a[k] + t[1] * b[k] + t[2] * c[k] + t[3] * d[k]);
  } else {
    for (std::size_t k = 0; k < count; ++k)
      out[k] = t[0] * a[k] + t[1] * b[k] + t[2] * c[k] + t[3] * d[k];
  }
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
        plan_(PlanColumns(sourceWidth_, width_, cubic)) {}

  void Run(const ResampleProgress& progress);

 private:
  std::size_t RowValues() const {
    return (interpolateX_ ? plan_.column.size() : static_cast<std::size_t>(sourceWidth_)) *
           kChannels;
  }
  const double* CachedRow(int row);
  void LoadRow(int row, double* out);
  void AddStrip(int row, double fy, double weight, bool fresh);
  void EmitRow(int targetRow);

  TImgBitmap& source_;
  TImgBitmap& target_;
  const bool cubic_;
  const int sourceWidth_, sourceHeight_, width_, height_;
  const double gx_, gy_;
  const bool interpolateX_, interpolateY_;
  const ColumnPlan plan_;
  // Values of up to four source rows (row r in slot r mod 4): raw bytes as doubles, or the
  // horizontally interpolated value of every piece when interpolating in x.
  std::array<std::vector<double>, 4> slots_;
  std::array<int, 4> slotRow_{-1, -1, -1, -1};
  std::vector<double> combined_;
  std::vector<double> acc_;
  std::vector<std::uint8_t> output_;
};

void AreaResampler::LoadRow(int row, double* out) {
  const std::uint8_t* bytes = source_.RowPtr(row);
  if (!interpolateX_) {
    for (int k = 0; k < sourceWidth_ * kChannels; ++k)
      out[k] = bytes[k];
    return;
  }
  // In both directions the cubic row values are truncated before the vertical step.
  const bool truncate = cubic_ && interpolateY_;
  const std::size_t pieces = plan_.column.size();
  for (std::size_t p = 0; p < pieces; ++p) {
    const std::array<int, 4>& o = plan_.offset[p];
    const Taps& t = plan_.taps[p];
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
    slots_[slot].resize(RowValues());
    LoadRow(row, slots_[slot].data());
    slotRow_[slot] = row;
  }
  return slots_[slot].data();
}

void AreaResampler::AddStrip(int row, double fy, double weight, bool fresh) {
  const std::array<int, 4> rows = Neighbours(row, sourceHeight_);
  const std::size_t count = RowValues();
  if (interpolateY_) {
    const double* a = CachedRow(rows[0]);
    const double* b = CachedRow(rows[1]);
    const double* c = CachedRow(rows[2]);
    const double* d = CachedRow(rows[3]);
    CombineRows(combined_.data(), a, b, c, d, count, InterpolationTaps(cubic_, fy), cubic_);
    Accumulate(acc_.data(), combined_.data(), count, weight, fresh);
  } else if (interpolateX_) {
    Accumulate(acc_.data(), CachedRow(rows[1]), count, weight, fresh);
  } else {
    AccumulateBytes(acc_.data(), source_.RowPtr(rows[1]), count, weight, fresh);
  }
}

void AreaResampler::EmitRow(int targetRow) {
  const double scale = 1.0 / (gx_ * gy_);
  for (int t = 0; t < width_; ++t) {
    double sum[kChannels] = {0.0, 0.0, 0.0};
    for (int p = plan_.first[t]; p < plan_.first[t + 1]; ++p) {
      const std::size_t index =
          static_cast<std::size_t>(interpolateX_ ? p : plan_.column[p]) * kChannels;
      const double length = plan_.length[p];
      for (int c = 0; c < kChannels; ++c)
        sum[c] += length * acc_[index + c];
    }
    for (int c = 0; c < kChannels; ++c)
      output_[t * kChannels + c] = TruncToByte(sum[c] * scale);
  }
  std::copy(output_.begin(), output_.end(), target_.RowPtr(targetRow));
}

void AreaResampler::Run(const ResampleProgress& progress) {
  combined_.resize(RowValues());
  acc_.resize(RowValues());
  output_.resize(static_cast<std::size_t>(width_) * kChannels);
  double y = 0.0;
  double lastBoundary = 0.0;
  int j = 0;
  int rowsDone = 0;
  bool fresh = true;
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
    // Each piece weighs length x strip height; the lengths are applied once per target row.
    AddStrip(j, fy, stripHeight, fresh);
    fresh = false;
    if (endsAtSource) {
      ++j;
    } else {
      EmitRow(rowsDone);
      ++rowsDone;
      fresh = true;
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
