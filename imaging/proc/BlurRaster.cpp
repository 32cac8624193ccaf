#include "imaging/proc/BlurRaster.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kRoundingConstant = 32768;

// The weights are symmetric (the Gaussian of -d equals that of d bit for bit), so each pair of
// taps at the same distance shares one multiplication.
class BlurPasses {
 public:
  BlurPasses(const BlurKernel& kernel, int width, int channels)
      : kernel_(kernel),
        radius_(kernel.EffectiveRadius()),
        channels_(channels),
        rowBytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels)),
        paddedLine_((static_cast<std::size_t>(width) + 2 * static_cast<std::size_t>(radius_)) *
                    static_cast<std::size_t>(channels)),
        sums_(rowBytes_) {}

  std::size_t RowBytes() const { return rowBytes_; }
  int Radius() const { return radius_; }

  // Filters one row along its length; source and target may be the same row.
  void FilterRow(const std::uint8_t* source, std::uint8_t* target) {
    const std::size_t c = static_cast<std::size_t>(channels_);
    const std::size_t pad = static_cast<std::size_t>(radius_) * c;
    std::uint16_t* line = paddedLine_.data();
    for (std::size_t i = 0; i < rowBytes_; ++i)
      line[pad + i] = source[i];
    for (std::size_t p = 0; p < static_cast<std::size_t>(radius_); ++p) {
      for (std::size_t k = 0; k < c; ++k) {
        line[p * c + k] = source[k];
        line[pad + rowBytes_ + p * c + k] = source[rowBytes_ - c + k];
      }
    }
    const std::uint16_t* centre = line + pad;
    std::uint32_t* sums = sums_.data();
    const std::uint32_t w0 = kernel_.Weight(0);
    for (std::size_t i = 0; i < rowBytes_; ++i)
      sums[i] = kRoundingConstant + w0 * centre[i];
    for (int d = 1; d <= radius_; ++d) {
      const std::uint32_t w = kernel_.Weight(d);
      const std::uint16_t* left = centre - static_cast<std::size_t>(d) * c;
      const std::uint16_t* right = centre + static_cast<std::size_t>(d) * c;
      for (std::size_t i = 0; i < rowBytes_; ++i) {
        sums[i] += w * static_cast<std::uint32_t>(left[i] + right[i]);
      }
    }
    for (std::size_t i = 0; i < rowBytes_; ++i)
      target[i] = static_cast<std::uint8_t>(sums[i] >> 16);
  }

  // Filters across rows: rows[0] is the centre row, rows[-d] and rows[d] are the rows at
  // distance d above and below (already clamped to the image).
  void FilterColumnStack(const std::uint8_t* const* rows, std::uint8_t* target) {
    std::uint32_t* sums = sums_.data();
    const std::uint32_t w0 = kernel_.Weight(0);
    const std::uint8_t* centre = rows[0];
    for (std::size_t i = 0; i < rowBytes_; ++i)
      sums[i] = kRoundingConstant + w0 * centre[i];
    for (int d = 1; d <= radius_; ++d) {
      const std::uint32_t w = kernel_.Weight(d);
      const std::uint8_t* above = rows[-d];
      const std::uint8_t* below = rows[d];
      for (std::size_t i = 0; i < rowBytes_; ++i) {
        sums[i] += w * static_cast<std::uint32_t>(above[i] + below[i]);
      }
    }
    for (std::size_t i = 0; i < rowBytes_; ++i)
      target[i] = static_cast<std::uint8_t>(sums[i] >> 16);
  }

 private:
  const BlurKernel& kernel_;
  int radius_;
  int channels_;
  std::size_t rowBytes_;
  std::vector<std::uint16_t> paddedLine_;
  std::vector<std::uint32_t> sums_;
};

}  // namespace

void BlurRaster(TImgBaseBitmap& image, const BlurKernel& kernel, const EffectProgress& progress) {
  const TImgBitmapFormat format = image.PixelFormat();
  if (format != pfGray8 && format != pfBGR24)
    return;
  const int width = image.Width();
  const int height = image.Height();
  if (width <= 0 || height <= 0)
    return;
  const int channels = format == pfBGR24 ? 3 : 1;
  BlurPasses passes(kernel, width, channels);
  const int radius = passes.Radius();
  const std::size_t rowBytes = passes.RowBytes();

  // One streaming pass: row r is filtered along its length into a ring of 2R + 1 rows as soon
  // as it enters reach, and output row y is filtered across the ring once rows up to y + R are
  // in. Row y is only written after it has been read, so the result equals filtering all rows
  // first and all columns afterwards; the ring also keeps every row address we hold our own.
  const int ringRows = 2 * radius + 1;
  std::vector<std::uint8_t> ring(rowBytes * static_cast<std::size_t>(ringRows));
  auto ringRow = [&](int row) {
    return ring.data() + rowBytes * static_cast<std::size_t>(row % ringRows);
  };
  std::vector<const std::uint8_t*> stack(static_cast<std::size_t>(ringRows));
  const long long total = static_cast<long long>(height) + width;
  int rowsFiltered = 0;
  for (int y = 0; y < height; ++y) {
    const int needed = std::min(height - 1, y + radius);
    while (rowsFiltered <= needed) {
      passes.FilterRow(image.RowPtr(rowsFiltered), ringRow(rowsFiltered));
      ++rowsFiltered;
    }
    for (int d = -radius; d <= radius; ++d) {
      stack[static_cast<std::size_t>(d + radius)] = ringRow(std::clamp(y + d, 0, height - 1));
    }
    passes.FilterColumnStack(stack.data() + radius, image.RowPtr(y));
    if (progress) {
      // Both passes have covered the same share of the image; report the percent the
      // row-then-column order reports at that share, ending at the same last value.
      const long long done = (static_cast<long long>(y) + 1) * total / height;
      progress(static_cast<int>((done - 1) * 100 / total));
    }
  }
}
