#include "app/batch/ConvertFile.h"

#include <chrono>
#include <filesystem>
#include <optional>

#include "app/batch/FileTimes.h"
#include "app/batch/FolderUtils.h"
#include "app/batch/MetadataChoice.h"
#include "app/batch/ShrunkLoad.h"
#include "app/batch/SizeRule.h"
#include "imaging/component/TImager.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TurnUpright.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/resample/ResampleSize.h"

namespace {

constexpr int kJpegYCbCr = 2;
constexpr int kJpegGray = 1;
constexpr int kJpegRgb = 0;

std::uintmax_t SizeOrZero(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

// What the size rule would make of an upright photo, without resampling it.
void PlanOutputSize(const ResampleRequest& request, int width, int height, TPhotoResult& result) {
  result.OutputWidth = width;
  result.OutputHeight = height;
  if (!request.Resize)
    return;
  const auto size = ComputeResampleSize(width, height, request.Width, request.Height);
  if (size) {
    result.OutputWidth = size->width;
    result.OutputHeight = size->height;
  }
}

TPhotoResult Convert(TImager& imager, const ConversionSettings& settings, const std::string& source,
                     const std::string& target) {
  TPhotoResult result;
  // Read before the load, which may move the access time.
  const std::optional<TFileTimes> sourceTimes = ReadFileTimes(source);
  if (settings.SkipUpToDate && sourceTimes && TargetIsUpToDate(*sourceTimes, target)) {
    result.UpToDate = true;
    return result;
  }
  result.BytesIn = SizeOrZero(source);
  TIOParamsVals& params = imager.Params();
  // Only the JPEG reader sets the scale used; a TIFF or BMP load must not see the previous
  // photo's.
  params.JpegScaleUsed = 1;
  {
    const TShrunkLoad shrunkLoad(settings, source, params);
    imager.LoadFromFile(source);
  }
  if (imager.IO()->Aborting())
    return result;
  const bool shrunk = params.JpegScaleUsed > 1;
  result.SourceWidth = shrunk ? params.JpegFullWidth : params.Width;
  result.SourceHeight = shrunk ? params.JpegFullHeight : params.Height;
  result.Damage = params.Damage.Reason;
  if (params.Damage.Damaged && settings.RefuseDamagedSources)
    return result;

  const int orientation = settings.AutoRotate ? params.Orientation : 1;
  const bool swapsSides = OrientationSwapsSides(orientation);
  const int uprightWidth = swapsSides ? result.SourceHeight : result.SourceWidth;
  const int uprightHeight = swapsSides ? result.SourceWidth : result.SourceHeight;
  const ResampleRequest request = shrunk ? ShrunkRequest(settings, uprightWidth, uprightHeight)
                                         : ComputeResample(settings, uprightWidth, uprightHeight);
  if (settings.PlanOnly) {
    PlanOutputSize(request, uprightWidth, uprightHeight, result);
    result.Planned = true;
    return result;
  }
  if (orientation != 1) {
    TurnUpright(*imager.GetImgBitmap(), orientation, nullptr);
    params.SetOrientation(1);
  }
  TImgBitmap& decoded = *imager.GetImgBitmap();
  const bool decodedAtTarget =
      shrunk && decoded.Width() == request.Width && decoded.Height() == request.Height;
  if (request.Resize && !decodedAtTarget)
    imager.Resample(request.Width, request.Height, rfBicubic);

  TImagerProc& proc = *imager.Proc();
  if (settings.ApplyEqualize)
    proc.HistAutoEqualize();
  if (settings.ApplyBlur)
    proc.Blur(2.0);
  if (settings.ApplyWallis)
    proc.WallisFilter(2, 2, 50, 50, 50, 10, 50, false);
  if (settings.ApplyNegative)
    proc.Negative();
  if (settings.ApplyBlackWhite)
    proc.ConvertToBWOrdered();

  params.JpegProgressive = true;
  const int quality = JpegQualityFor(settings.QualityIndex);
  if (quality >= 0)
    params.JpegQuality = quality;
  if (settings.SaveGrayScale || settings.ApplyBlackWhite) {
    params.JpegColorSpace = kJpegGray;
  } else {
    params.JpegColorSpace = settings.WriteYCbCr ? kJpegYCbCr : kJpegRgb;
  }
  ApplyMetadataChoice(settings.Metadata, params);
  imager.SaveJpegFile(target);
  result.Converted = !imager.IO()->Aborting();
  if (!result.Converted)
    return result;
  result.OutputWidth = imager.GetImgBitmap()->Width();
  result.OutputHeight = imager.GetImgBitmap()->Height();
  result.BytesOut = SizeOrZero(target);
  if (settings.KeepDates && sourceTimes)
    ApplyFileTimes(*sourceTimes, target);
  return result;
}

}  // namespace

TPhotoResult ConvertFile(TImager& imager, const ConversionSettings& settings,
                         const std::string& source, const std::string& target) {
  const auto start = std::chrono::steady_clock::now();
  TPhotoResult result = Convert(imager, settings, source, target);
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  result.Milliseconds = elapsed.count();
  return result;
}

TPhotoResult ConvertJob(TImager& imager, const ConversionSettings& settings, const TPhotoJob& job) {
  if (settings.SkipUpToDate && job.Replaced) {
    TPhotoResult result;
    result.UpToDate = true;
    return result;
  }
  if (!settings.PlanOnly)
    CreateFolderPath(DirectoryPart(job.Target));
  return ConvertFile(imager, settings, job.Source, job.Target);
}
