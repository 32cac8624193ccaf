#include "imaging/proc/resample/ContributionResampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/resample/ResampleKernels.h"

namespace {

// Target columns of the second pass done together, so that it reads the work raster by rows.
constexpr int kColumnBlock = 256;

// Contributors of every target index: source index and weight (x 256), packed per index.
struct Contributors {
  std::vector<int> first;  // first entry of each target index, then the end
  std::vector<int> index;
  std::vector<int> weight;
  std::vector<int> total;  // sum of the weights of each target index
};

int ReflectAndClamp(int k, int size) {
  if (k < 0)
    k = -k;
  if (k >= size)
    k = 2 * size - 1 - k;
  return std::clamp(k, 0, size - 1);
}

Contributors BuildContributors(int targetSize, int sourceSize, TResampleFilter filter) {
  const double scale = (sourceSize == 1 || targetSize == 1)
                           ? static_cast<double>(targetSize) / sourceSize
                           : static_cast<double>(targetSize - 1) / (sourceSize - 1);
  const double support = KernelSupport(filter);
  const bool enlarging = scale >= 1.0;
  const double radius = enlarging ? support : support / scale;
  const int room = static_cast<int>(2.0 * radius + 1.0);
  Contributors list;
  list.first.reserve(static_cast<std::size_t>(targetSize) + 1);
  list.total.reserve(static_cast<std::size_t>(targetSize));
  list.first.push_back(0);
  for (int i = 0; i < targetSize; ++i) {
    const double centre = i / scale;
    const int from = static_cast<int>(std::floor(centre - radius));
    const int to = static_cast<int>(std::ceil(centre + radius));
    int stored = 0;
    int total = 0;
    for (int k = from; k <= to && stored < room; ++k) {
      const double w = enlarging ? KernelValue(filter, centre - k)
                                 : KernelValue(filter, (centre - k) * scale) * scale;
      const int weight = static_cast<int>(std::nearbyint(w * 256.0));
      if (weight == 0)
        continue;
      list.index.push_back(ReflectAndClamp(k, sourceSize));
      list.weight.push_back(weight);
      total += weight;
      ++stored;
    }
    list.first.push_back(static_cast<int>(list.index.size()));
    list.total.push_back(total);
  }
  return list;
}

std::uint8_t Normalise(std::int32_t sum, int total) {
  if (total != 0)
    return ClampToByte(sum / total);
  return static_cast<std::uint8_t>(
      std::min<std::uint32_t>(static_cast<std::uint32_t>(sum) >> 8, 255));
}

class ContributionResampler {
 public:
  ContributionResampler(TImgBitmap& source, TImgBitmap& target, TResampleFilter filter,
                        ContributionLayout layout, const ResampleProgress& progress)
      : source_(source),
        target_(target),
        layout_(layout),
        channels_(layout == ContributionLayout::kBgr24 ? 3 : 1),
        progress_(layout == ContributionLayout::kBgr24 ? progress : ResampleProgress()),
        sourceWidth_(source.Width()),
        sourceHeight_(source.Height()),
        width_(target.Width()),
        height_(target.Height()),
        columns_(BuildContributors(width_, sourceWidth_, filter)),
        rows_(BuildContributors(height_, sourceHeight_, filter)) {}

  void Run() {
    work_.resize(static_cast<std::size_t>(width_) * channels_ * sourceHeight_);
    FirstPass();
    SecondPass();
  }

 private:
  std::uint8_t* WorkRow(int row) {
    return work_.data() + static_cast<std::size_t>(row) * width_ * channels_;
  }

  void FirstPass() {
    std::vector<std::uint8_t> expanded(static_cast<std::size_t>(sourceWidth_));
    const int c = channels_;
    for (int y = 0; y < sourceHeight_; ++y) {
      const std::uint8_t* in = source_.RowPtr(y);
      if (layout_ == ContributionLayout::kBitToGray24) {
        ExpandBitRow(in, sourceWidth_, expanded.data());
        in = expanded.data();
      }
      std::uint8_t* out = WorkRow(y);
      for (int i = 0; i < width_; ++i) {
        std::int32_t sum[3] = {0, 0, 0};
        for (int e = columns_.first[i]; e < columns_.first[i + 1]; ++e) {
          const std::uint8_t* pixel = in + static_cast<std::size_t>(columns_.index[e]) * c;
          for (int k = 0; k < c; ++k)
            sum[k] += columns_.weight[e] * pixel[k];
        }
        for (int k = 0; k < c; ++k)
          out[i * c + k] = Normalise(sum[k], columns_.total[i]);
      }
      ReportProgress(progress_, static_cast<int>((y + 1) * 100.0 / (sourceHeight_ + width_ + 0.5)));
    }
  }

  void SecondPass() {
    const int c = channels_;
    std::vector<std::int32_t> sums(static_cast<std::size_t>(kColumnBlock) * c);
    std::vector<std::uint8_t> values(static_cast<std::size_t>(kColumnBlock) * c);
    const int targetBytesPerValue = layout_ == ContributionLayout::kBitToGray24 ? 3 : 1;
    for (int blockStart = 0; blockStart < width_; blockStart += kColumnBlock) {
      const int blockWidth = std::min(kColumnBlock, width_ - blockStart);
      const std::size_t count = static_cast<std::size_t>(blockWidth) * c;
      for (int j = 0; j < height_; ++j) {
        std::fill(sums.begin(), sums.begin() + static_cast<std::ptrdiff_t>(count), 0);
        for (int e = rows_.first[j]; e < rows_.first[j + 1]; ++e) {
          const std::uint8_t* in =
              WorkRow(rows_.index[e]) + static_cast<std::size_t>(blockStart) * c;
          const int weight = rows_.weight[e];
          for (std::size_t k = 0; k < count; ++k)
            sums[k] += weight * in[k];
        }
        for (std::size_t k = 0; k < count; ++k)
          values[k] = Normalise(sums[k], rows_.total[j]);
        std::uint8_t* out =
            target_.RowPtr(j) + static_cast<std::size_t>(blockStart) * c * targetBytesPerValue;
        if (targetBytesPerValue == 3) {
          GrayToBgrRow(values.data(), blockWidth, out);
        } else {
          std::copy(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count), out);
        }
      }
      for (int column = blockStart; column < blockStart + blockWidth; ++column)
        ReportProgress(progress_, static_cast<int>((sourceHeight_ + column + 1.0) * 100.0 /
                                                   (sourceHeight_ + width_ + 0.5)));
    }
  }

  TImgBitmap& source_;
  TImgBitmap& target_;
  const ContributionLayout layout_;
  const int channels_;
  const ResampleProgress progress_;
  const int sourceWidth_, sourceHeight_, width_, height_;
  const Contributors columns_;
  const Contributors rows_;
  std::vector<std::uint8_t> work_;
};

}  // namespace

void ContributionResample(TImgBitmap& source, TImgBitmap& target, TResampleFilter filter,
                          ContributionLayout layout, const ResampleProgress& progress) {
  const int sourceWidth = source.Width(), sourceHeight = source.Height();
  if (sourceWidth <= 0 || sourceHeight <= 0 || (sourceWidth < 2 && sourceHeight < 2))
    return;
  if (target.Width() <= 0 || target.Height() <= 0)
    return;
  ContributionResampler(source, target, filter, layout, progress).Run();
}
