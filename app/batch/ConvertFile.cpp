#include "app/batch/ConvertFile.h"

#include "app/batch/SizeRule.h"
#include "imaging/component/TImager.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/proc/TImagerProc.h"

TPhotoResult ConvertFile(TImager& imager, const ConversionSettings& settings,
                         const std::string& source, const std::string& target) {
  TPhotoResult result;
  imager.LoadFromFile(source);
  if (imager.IO()->Aborting())
    return result;
  TIOParamsVals& params = imager.Params();
  result.Damage = params.Damage.Reason;
  if (params.Damage.Damaged && settings.RefuseDamagedSources)
    return result;

  const ResampleRequest request = ComputeResample(settings, params.Width, params.Height);
  if (request.Resize)
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
  params.JpegColorSpace = settings.SaveGrayScale || settings.ApplyBlackWhite ? 1 : 0;
  imager.SaveJpegFile(target);
  result.Converted = !imager.IO()->Aborting();
  return result;
}
