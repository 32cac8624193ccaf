#include "app/batch/ConvertFile.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/batch/FileTimes.h"
#include "app/batch/FolderUtils.h"
#include "app/batch/MetadataChoice.h"
#include "app/batch/ShrunkLoad.h"
#include "app/batch/SizeRule.h"
#include "imaging/component/TImager.h"
#include "imaging/core/RowSource.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TurnUpright.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/resample/AreaResampler.h"
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

// The photo's sides as read and upright, and what the size rule asks of it.
struct PhotoPlan {
  int orientation = 1;
  int uprightWidth = 0;
  int uprightHeight = 0;
  ResampleRequest request;
};

PhotoPlan PlanPhoto(const ConversionSettings& settings, const TIOParamsVals& params,
                    TPhotoResult& result) {
  const bool shrunk = params.JpegScaleUsed > 1;
  result.SourceWidth = shrunk ? params.JpegFullWidth : params.Width;
  result.SourceHeight = shrunk ? params.JpegFullHeight : params.Height;
  result.Damage = params.Damage.Reason;
  PhotoPlan plan;
  plan.orientation = settings.AutoRotate ? params.Orientation : 1;
  const bool swapsSides = OrientationSwapsSides(plan.orientation);
  plan.uprightWidth = swapsSides ? result.SourceHeight : result.SourceWidth;
  plan.uprightHeight = swapsSides ? result.SourceWidth : result.SourceHeight;
  plan.request = shrunk ? ShrunkRequest(settings, plan.uprightWidth, plan.uprightHeight)
                        : ComputeResample(settings, plan.uprightWidth, plan.uprightHeight);
  return plan;
}

void ApplySaveOptions(const ConversionSettings& settings, TIOParamsVals& params) {
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
}

bool AppliesEffects(const ConversionSettings& settings) {
  return settings.ApplyEqualize || settings.ApplyBlur || settings.ApplyWallis ||
         settings.ApplyNegative || settings.ApplyBlackWhite;
}

// A photo that needs nothing but the size rule goes from decoder through resampler to encoder
// a few rows at a time, never held whole: the same bytes as the whole road in far less memory
// and time. Nothing, and result untouched, when the photo is left to the whole road, which then
// reads it again.
std::optional<TPhotoResult> ConvertStreamed(TImager& imager, const ConversionSettings& settings,
                                            const std::string& source, const std::string& target,
                                            TPhotoResult result) {
  if (settings.PlanOnly || AppliesEffects(settings))
    return std::nullopt;
  TIOParamsVals& params = imager.Params();
  int outputWidth = 0;
  int outputHeight = 0;
  const auto shape = [&](TRowSource& decoded) -> std::unique_ptr<TRowSource> {
    const PhotoPlan plan = PlanPhoto(settings, params, result);
    if (plan.orientation != 1)
      return nullptr;
    ApplySaveOptions(settings, params);
    const ResampleRequest& request = plan.request;
    const std::optional<ResampleSize> size =
        request.Resize
            ? ComputeResampleSize(decoded.Width(), decoded.Height(), request.Width, request.Height)
            : std::nullopt;
    outputWidth = size ? size->width : decoded.Width();
    outputHeight = size ? size->height : decoded.Height();
    // The whole road's resampling to the decoded size itself gives the decoded bytes.
    if (!size || (size->width == decoded.Width() && size->height == decoded.Height()))
      return std::make_unique<TPassedRows>(decoded);
    return AreaResampledRowsOf(decoded, size->width, size->height, true);
  };
  if (!imager.IO()->ConvertJpegRows(source, target, shape))
    return std::nullopt;
  result.Converted = !imager.IO()->Aborting();
  if (result.Converted) {
    result.OutputWidth = outputWidth;
    result.OutputHeight = outputHeight;
  }
  return result;
}

// The whole road: load, turn, resample, effects, save.
void ConvertWhole(TImager& imager, const ConversionSettings& settings, const std::string& source,
                  const std::string& target, TPhotoResult& result) {
  TIOParamsVals& params = imager.Params();
  imager.LoadFromFile(source);
  if (imager.IO()->Aborting())
    return;
  const PhotoPlan plan = PlanPhoto(settings, params, result);
  if (params.Damage.Damaged && settings.RefuseDamagedSources)
    return;
  const ResampleRequest& request = plan.request;
  if (settings.PlanOnly) {
    PlanOutputSize(request, plan.uprightWidth, plan.uprightHeight, result);
    result.Planned = true;
    return;
  }
  if (plan.orientation != 1) {
    TurnUpright(*imager.GetImgBitmap(), plan.orientation, nullptr);
    params.SetOrientation(1);
  }
  TImgBitmap& decoded = *imager.GetImgBitmap();
  const bool decodedAtTarget = params.JpegScaleUsed > 1 && decoded.Width() == request.Width &&
                               decoded.Height() == request.Height;
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

  ApplySaveOptions(settings, params);
  imager.SaveJpegFile(target);
  result.Converted = !imager.IO()->Aborting();
  if (!result.Converted)
    return;
  result.OutputWidth = imager.GetImgBitmap()->Width();
  result.OutputHeight = imager.GetImgBitmap()->Height();
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
    if (std::optional<TPhotoResult> streamed =
            ConvertStreamed(imager, settings, source, target, result)) {
      result = *streamed;
    } else {
      params.JpegScaleUsed = 1;
      ConvertWhole(imager, settings, source, target, result);
    }
  }
  if (!result.Converted)
    return result;
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
