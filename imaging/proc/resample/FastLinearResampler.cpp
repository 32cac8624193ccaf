#include "imaging/proc/resample/FastLinearResampler.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"

namespace {

constexpr int kOne = 131072;  // one pixel in 17-bit fixed point

struct Span {
  int first;     // whole source index of the position
  int fraction;  // its 17-bit fraction
  int last;      // last source index of a box mean
};

std::vector<Span> Spans(int targetSize, int sourceSize, bool endTolerance) {
  const double ratio = static_cast<double>(targetSize) / sourceSize;
  std::vector<Span> spans(static_cast<std::size_t>(targetSize));
  for (int i = 0; i < targetSize; ++i) {
    const double position = i / ratio;
    const int whole = static_cast<int>(position);
    const double end = std::min(i + 1, targetSize - 1) / ratio + (endTolerance ? 1e-10 : 0.0);
    const int first = std::min(whole, sourceSize - 1);
    spans[i] = {first, static_cast<int>((position - whole) * kOne),
                std::clamp(static_cast<int>(end), first, sourceSize - 1)};
  }
  return spans;
}

int Lerp(int a, int b, int fraction) {
  return a + static_cast<int>(static_cast<std::int64_t>(b - a) * fraction / kOne);
}

class FastLinearResampler {
 public:
  FastLinearResampler(TImgBitmap& source, TImgBitmap& target, int channels,
                      const ResampleProgress& progress)
      : source_(source),
        target_(target),
        channels_(channels),
        progress_(progress),
        sourceWidth_(source.Width()),
        sourceHeight_(source.Height()),
        width_(target.Width()),
        height_(target.Height()),
        step_(100.0 / (sourceHeight_ + height_ + 0.5)) {}

  void Run() {
    work_.resize(static_cast<std::size_t>(width_) * channels_ * sourceHeight_);
    HorizontalPass();
    VerticalPass();
  }

 private:
  std::uint8_t* WorkRow(int row) {
    return work_.data() + static_cast<std::size_t>(row) * width_ * channels_;
  }

  void HorizontalPass() {
    const std::vector<Span> columns = Spans(width_, sourceWidth_, true);
    const bool enlarge = static_cast<double>(width_) / sourceWidth_ > 1.0;
    const int c = channels_;
    for (int y = 0; y < sourceHeight_; ++y) {
      const std::uint8_t* in = source_.RowPtr(y);
      std::uint8_t* out = WorkRow(y);
      for (int i = 0; i < width_; ++i) {
        const Span& s = columns[i];
        if (enlarge) {
          const int next = std::min(s.first + 1, sourceWidth_ - 1);
          for (int k = 0; k < c; ++k)
            out[i * c + k] = ClampToByte(Lerp(in[s.first * c + k], in[next * c + k], s.fraction));
        } else {
          for (int k = 0; k < c; ++k) {
            int sum = 0;
            for (int x = s.first; x <= s.last; ++x)
              sum += in[x * c + k];
            out[i * c + k] = static_cast<std::uint8_t>(sum / (s.last - s.first + 1));
          }
        }
      }
      ReportProgress(progress_, static_cast<int>(step_ * y));
    }
  }

  void VerticalPass() {
    const std::vector<Span> rows = Spans(height_, sourceHeight_, false);
    const bool enlarge = static_cast<double>(height_) / sourceHeight_ > 1.0;
    const std::size_t count = static_cast<std::size_t>(width_) * channels_;
    std::vector<int> sums(count);
    std::vector<std::uint8_t> out(count);
    for (int j = 0; j < height_; ++j) {
      const Span& s = rows[j];
      if (enlarge) {
        const std::uint8_t* a = WorkRow(s.first);
        const std::uint8_t* b = WorkRow(std::min(s.first + 1, sourceHeight_ - 1));
        for (std::size_t k = 0; k < count; ++k)
          out[k] = ClampToByte(Lerp(a[k], b[k], s.fraction));
      } else {
        std::fill(sums.begin(), sums.end(), 0);
        for (int r = s.first; r <= s.last; ++r) {
          const std::uint8_t* in = WorkRow(r);
          for (std::size_t k = 0; k < count; ++k)
            sums[k] += in[k];
        }
        const int rowsInMean = s.last - s.first + 1;
        for (std::size_t k = 0; k < count; ++k)
          out[k] = static_cast<std::uint8_t>(sums[k] / rowsInMean);
      }
      std::copy(out.begin(), out.end(), target_.RowPtr(j));
      ReportProgress(progress_, static_cast<int>(step_ * (sourceHeight_ + j)));
    }
  }

  TImgBitmap& source_;
  TImgBitmap& target_;
  const int channels_;
  const ResampleProgress& progress_;
  const int sourceWidth_, sourceHeight_, width_, height_;
  const double step_;
  std::vector<std::uint8_t> work_;
};

}  // namespace

void FastLinearResample(TImgBitmap& source, TImgBitmap& target, int channels,
                        const ResampleProgress& progress) {
  const int width = target.Width(), height = target.Height();
  if (source.Width() <= 0 || source.Height() <= 0 || width <= 0 || height <= 0)
    return;
  if (width == source.Width() && height == source.Height()) {
    const std::size_t bytes = static_cast<std::size_t>(width) * channels;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* in = source.RowPtr(y);
      std::copy(in, in + bytes, target.RowPtr(y));
    }
    return;
  }
  FastLinearResampler(source, target, channels, progress).Run();
}
