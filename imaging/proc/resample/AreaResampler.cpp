#include "imaging/proc/resample/AreaResampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/core/RowSource.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/AreaColumnPlan.h"
#include "imaging/proc/resample/AreaRowKernels.h"

// The area walk cuts the source plane into pieces at every source and target
// boundary and adds length x height x value of each piece to its target pixel. The sums are
// regrouped here: within one target row, the strips of a source row are first summed per
// source column (or per piece, when interpolating in x), and the piece lengths are applied
// once when the row is emitted. Pieces and strips of length exactly 0 add nothing and are
// skipped; whole source rows are summed in integers.

namespace {

double Clamp255(double value) {
  return std::min(std::max(value, 0.0), 255.0);
}

class AreaResampler {
 public:
  AreaResampler(TRowSource& source, int width, int height, bool cubic)
      : source_(source),
        cubic_(cubic),
        sourceWidth_(source.Width()),
        sourceHeight_(source.Height()),
        width_(width),
        height_(height),
        gx_(static_cast<double>(sourceWidth_) / width_),
        gy_(static_cast<double>(sourceHeight_) / height_),
        interpolateX_(gx_ < 1.0),
        interpolateY_(gy_ < 1.0),
        plan_(PlanColumns(sourceWidth_, width_, cubic)),
        values_((interpolateX_ ? plan_.length.size() : static_cast<std::size_t>(sourceWidth_)) *
                kAreaChannels),
        wholeRowsFitInt_(gy_ < 8.0e6),
        uniformWholeFitsInt_(plan_.uniformRun > 0 && plan_.uniformRun * (gy_ + 2.0) < 8.0e6),
        exactHalf_(sourceWidth_ == 2 * width_ && sourceHeight_ == 2 * height_) {
    if (exactHalf_)
      pairs_.resize(static_cast<std::size_t>(width_) * 4);
    weighted_.resize(values_);
    if (!interpolateX_ && !interpolateY_)
      whole_.resize(values_);
    sums_.resize(static_cast<std::size_t>(width_) * kAreaChannels);
    if (uniformWholeFitsInt_)
      wholeSums_.resize(sums_.size());
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  /// Works out the next target row, from the top, into out (Width() pixels).
  void EmitNextRow(std::uint8_t* out);

 private:
  const double* CachedRow(int row);
  void LoadRow(int row, double* out);
  void AddStrip(int row, double fy, double weight);
  void AddWholeRow(const std::uint8_t* bytes);
  template <class Sum, class Read>
  void EmitWith(std::uint8_t* out, Read read);
  void EmitUniformWhole(std::uint8_t* out);
  void EmitRow(std::uint8_t* out);

  TRowSource& source_;
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
  // Every target pixel the mean of 2 x 2 whole source pixels: summed in one pass per row.
  const bool exactHalf_;
  std::vector<std::uint16_t> pairs_;
  int halvedRows_ = 0;
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
  // Where the walk down the source stands between two emitted rows.
  double y_ = 0.0;
  double lastBoundary_ = 0.0;
  int sourceRow_ = 0;
};

void AreaResampler::LoadRow(int row, double* out) {
  const std::uint8_t* bytes = source_.Row(row);
  if (!interpolateX_) {
    AddWeightedBytes(bytes, values_, 1.0, true, out);
    return;
  }
  // In both directions the cubic row values are truncated before the vertical step.
  const bool truncate = cubic_ && interpolateY_;
  const std::size_t pieces = plan_.length.size();
  for (std::size_t p = 0; p < pieces; ++p) {
    const std::array<int, 4>& o = plan_.neighbourOffset[p];
    const AreaTaps& t = plan_.taps[p];
    if (t[0] == 0.0 && t[1] == 0.0 && t[2] == 1.0 && t[3] == 0.0) {
      // A piece that ends on a source boundary interpolates exactly the next pixel.
      for (int c = 0; c < kAreaChannels; ++c)
        out[p * kAreaChannels + c] = bytes[o[2] + c];
      continue;
    }
    for (int c = 0; c < kAreaChannels; ++c) {
      double v = t[0] * bytes[o[0] + c] + t[1] * bytes[o[1] + c] + t[2] * bytes[o[2] + c] +
                 t[3] * bytes[o[3] + c];
      if (cubic_)
        v = Clamp255(v);
      if (truncate)
        v = std::trunc(v + kTruncationSlack);
      out[p * kAreaChannels + c] = v;
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
    AddWholeRow(source_.Row(rows[1]));
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
    const AreaTaps t = InterpolationTaps(cubic_, fy);
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
  AddWeightedBytes(source_.Row(rows[1]), values_, weight, fresh, acc);
}

void AreaResampler::EmitUniformWhole(std::uint8_t* out) {
  // Only whole rows and, per target column, a run of whole columns: all in integers.
  const std::int32_t* a = whole_.data();
  std::int32_t* sums = wholeSums_.data();
  const int run = plan_.uniformRun;
  if (run == 2) {
    for (int t = 0; t < width_; ++t)
      for (int c = 0; c < kAreaChannels; ++c)
        sums[kAreaChannels * t + c] =
            a[2 * kAreaChannels * t + c] + a[2 * kAreaChannels * t + kAreaChannels + c];
  } else {
    for (int t = 0; t < width_; ++t)
      for (int c = 0; c < kAreaChannels; ++c) {
        std::int32_t r = 0;
        for (int m = 0; m < run; ++m)
          r += a[(t * run + m) * kAreaChannels + c];
        sums[kAreaChannels * t + c] = r;
      }
  }
  ScaleSumsToBytes(sums, wholeSums_.size(), 1.0 / (gx_ * gy_), out);
}

template <class Sum, class Read>
void AreaResampler::EmitWith(std::uint8_t* out, Read read) {
  double* sums = sums_.data();
  if (plan_.uniformRun > 0) {
    const int run = plan_.uniformRun;
    for (int t = 0; t < width_; ++t) {
      const int k0 = t * run * kAreaChannels;
      for (int c = 0; c < kAreaChannels; ++c) {
        Sum r = 0;
        for (int m = 0; m < run; ++m)
          r += read(k0 + m * kAreaChannels + c);
        sums[kAreaChannels * t + c] = static_cast<double>(r);
      }
    }
  }
  for (int t = 0; t < width_ && plan_.uniformRun == 0; ++t) {
    Sum r0 = 0, r1 = 0, r2 = 0;
    const int runEnd = plan_.runStart[t] + plan_.runCount[t] * kAreaChannels;
    for (int k = plan_.runStart[t]; k < runEnd; k += kAreaChannels) {
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
    sums[kAreaChannels * t] = s0;
    sums[kAreaChannels * t + 1] = s1;
    sums[kAreaChannels * t + 2] = s2;
  }
  ScaleSumsToBytes(sums, sums_.size(), 1.0 / (gx_ * gy_), out);
}

void AreaResampler::EmitRow(std::uint8_t* out) {
  const double* weighted = weighted_.data();
  const std::int32_t* whole = whole_.data();
  if (hasWhole_ && hasWeighted_) {
    EmitWith<double>(out, [=](int k) { return whole[k] + weighted[k]; });
  } else if (hasWhole_ && uniformWholeFitsInt_) {
    EmitUniformWhole(out);
  } else if (hasWhole_) {
    EmitWith<std::int64_t>(out, [=](int k) { return whole[k]; });
  } else if (hasWeighted_) {
    EmitWith<double>(out, [=](int k) { return weighted[k]; });
  } else {
    EmitWith<double>(out, [](int) { return 0.0; });
  }
  hasWhole_ = false;
  hasWeighted_ = false;
}

void AreaResampler::EmitNextRow(std::uint8_t* out) {
  if (exactHalf_) {
    const auto width = static_cast<std::size_t>(width_);
    SumPixelPairs(source_.Row(2 * halvedRows_), width, pairs_.data());
    QuarterOfPairsAndRow(pairs_.data(), source_.Row(2 * halvedRows_ + 1), width, out);
    ++halvedRows_;
    return;
  }
  for (;;) {
    const int j = sourceRow_;
    const bool endsAtSource = (j + 1) + kAreaBoundaryTolerance < lastBoundary_ + gy_;
    double fy = 1.0;
    double stripHeight = 0.0;
    if (endsAtSource) {
      stripHeight = (j + 1) - y_;
    } else {
      const double boundary = lastBoundary_ + gy_;
      fy = boundary - j;
      stripHeight = boundary - y_;
      lastBoundary_ = boundary;
    }
    y_ += stripHeight;
    if (stripHeight != 0.0)
      AddStrip(j, fy, stripHeight);
    if (!endsAtSource)
      return EmitRow(out);
    ++sourceRow_;
  }
}

// The rows worked out on demand, the last few kept so that they may be asked again.
class AreaResampledRows final : public TRowSource {
 public:
  AreaResampledRows(TRowSource& source, int width, int height, bool cubic)
      : resampler_(source, width, height, cubic) {
    for (std::vector<std::uint8_t>& row : kept_)
      row.resize(static_cast<std::size_t>(width) * kAreaChannels);
  }

  int Width() override { return resampler_.Width(); }
  int Height() override { return resampler_.Height(); }
  const std::uint8_t* Row(int y) override {
    if (y < emitted_ - static_cast<int>(kept_.size()) || y >= resampler_.Height())
      throw std::out_of_range("Resampled row " + std::to_string(y) + " is no longer kept");
    while (emitted_ <= y) {
      resampler_.EmitNextRow(kept_[static_cast<std::size_t>(emitted_) % kept_.size()].data());
      ++emitted_;
    }
    return kept_[static_cast<std::size_t>(y) % kept_.size()].data();
  }

 private:
  AreaResampler resampler_;
  std::array<std::vector<std::uint8_t>, 4> kept_;
  int emitted_ = 0;
};

}  // namespace

void AreaResample(TImgBitmap& source, TImgBitmap& target, bool cubic,
                  const ResampleProgress& progress) {
  if (source.Width() <= 0 || source.Height() <= 0 || target.Width() <= 0 || target.Height() <= 0)
    return;
  TBitmapRows sourceRows(source);
  AreaResampler resampler(sourceRows, target.Width(), target.Height(), cubic);
  const int height = target.Height();
  for (int y = 0; y < height; ++y) {
    resampler.EmitNextRow(target.RowPtr(y));
    ReportProgress(progress, static_cast<int>(static_cast<double>(y + 1) / height * 100.0));
  }
}

std::unique_ptr<TRowSource> AreaResampledRowsOf(TRowSource& source, int width, int height,
                                                bool cubic) {
  if (source.Width() <= 0 || source.Height() <= 0 || width <= 0 || height <= 0)
    throw std::invalid_argument("Area resampling needs a picture and a size");
  return std::make_unique<AreaResampledRows>(source, width, height, cubic);
}
