#include "app/batch/ShrunkLoad.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "app/batch/ShrinkOnLoad.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegFrameSize.h"
#include "imaging/proc/resample/ResampleSize.h"
#include "platform/FileStream.h"

namespace {

// The JPEG binding's code for a scale denominator of 1, 2, 4 or 8.
std::uint8_t JpegScaleCode(int denominator) {
  switch (denominator) {
    case 2:
      return 2;
    case 4:
      return 3;
    case 8:
      return 4;
    default:
      return 1;
  }
}

int DenominatorFor(const ConversionSettings& settings, int width, int height) {
  const ResampleRequest request = ComputeResample(settings, width, height);
  if (!request.Resize)
    return 1;
  const auto size = ComputeResampleSize(width, height, request.Width, request.Height);
  return size ? ShrinkDenominator(width, height, size->width, size->height) : 1;
}

int ChooseDenominator(const ConversionSettings& settings, const std::string& source) {
  if (!settings.ShrinkOnLoad || settings.PlanOnly)
    return 1;
  TFileStream stream(source, TFileStream::Mode::OpenRead);
  if (!stream.IsOpen())
    return 1;
  const std::optional<TJpegFrameSize> frame = ReadJpegFrameSize(stream);
  if (!frame)
    return 1;
  const int denominator = DenominatorFor(settings, frame->width, frame->height);
  // Whether the photo is turned upright is known only once it is loaded: the decode must then
  // cover the target of either way up.
  if (!settings.AutoRotate)
    return denominator;
  return std::min(denominator, DenominatorFor(settings, frame->height, frame->width));
}

}  // namespace

TShrunkLoad::TShrunkLoad(const ConversionSettings& settings, const std::string& source,
                         TIOParamsVals& params)
    : params_(params) {
  params_.JpegScale = JpegScaleCode(ChooseDenominator(settings, source));
}

TShrunkLoad::~TShrunkLoad() {
  params_.JpegScale = 1;
}

ResampleRequest ShrunkRequest(const ConversionSettings& settings, int fullWidth, int fullHeight) {
  ResampleRequest request = ComputeResample(settings, fullWidth, fullHeight);
  const auto size = ComputeResampleSize(fullWidth, fullHeight, request.Width, request.Height);
  if (request.Resize && size) {
    request.Width = size->width;
    request.Height = size->height;
  }
  return request;
}
