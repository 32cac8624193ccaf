#include "app/batch/SizeRule.h"

#include <algorithm>

namespace {

constexpr int kFallbackWidth = 320;
constexpr int kFallbackHeight = 240;

struct Box {
  int width;
  int height;
};

// Boxes for size indexes 5 to 9.
constexpr Box kFixedBoxes[] = {{1600, 1200}, {1280, 1024}, {1024, 768}, {800, 600}, {640, 480}};

}  // namespace

void SizeBox(const ConversionSettings& settings, int& boxWidth, int& boxHeight) {
  if (settings.SizeIndex == CustomSizeIndex) {
    // A zero or negative box would reach the resampler as a nonsense size.
    if (!TryParseSizeText(settings.CustomWidthText, boxWidth) || boxWidth <= 0) {
      boxWidth = kFallbackWidth;
    }
    if (!TryParseSizeText(settings.CustomHeightText, boxHeight) || boxHeight <= 0) {
      boxHeight = kFallbackHeight;
    }
    return;
  }
  const Box& box = kFixedBoxes[settings.SizeIndex - CustomSizeIndex - 1];
  boxWidth = box.width;
  boxHeight = box.height;
}

ResampleRequest ComputeResample(const ConversionSettings& settings, int width, int height) {
  ResampleRequest request;
  const int index = settings.SizeIndex;
  if (index <= 0 || index >= SizeCount || width <= 0 || height <= 0)
    return request;
  request.Resize = true;
  if (index <= 3) {
    static constexpr int kDivisors[] = {1, 2, 4, 10};
    // A photo narrower than the divisor would otherwise be asked for a width of 0.
    request.Width = std::max(1, width / kDivisors[index]);
    return request;
  }
  int boxWidth = 0;
  int boxHeight = 0;
  SizeBox(settings, boxWidth, boxHeight);
  const double imageAspect = static_cast<double>(width) / static_cast<double>(height);
  const double boxAspect = static_cast<double>(boxWidth) / static_cast<double>(boxHeight);
  if (imageAspect > boxAspect) {
    request.Width = boxWidth;
  } else {
    request.Height = boxHeight;
  }
  return request;
}
