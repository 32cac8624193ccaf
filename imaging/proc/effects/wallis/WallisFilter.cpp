#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/EffectFrame.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/effects/wallis/WallisRaster.h"

void TImagerProc::WallisFilter(int WindowWidthPercent, int WindowHeightPercent, int TargetMean,
                               int TargetDeviation, int Gain, int MeanWeight, int DeviationLimit,
                               bool Threshold) {
  Region region;
  if (!PrepareRegion({}, "MedianFilter", region))
    return;
  TImgBitmap& bitmap = *region.bitmap;
  if (bitmap.IsEmpty()) {
    FinishRegion(region);
    return;
  }
  // The filter reads and writes three bytes per pixel and its result is pfBGR24 in any case.
  // A selection copy is merged back into the current image, which must then match its format.
  if (bitmap.PixelFormat() != pfBGR24) {
    if (region.copy)
      CurrentImage()->SetPixelFormat(pfBGR24);
    bitmap.SetPixelFormat(pfBGR24);
  }
  const WallisArguments arguments{
      WindowWidthPercent, WindowHeightPercent, TargetMean, TargetDeviation, Gain,
      MeanWeight,         DeviationLimit,      Threshold};
  WallisFilterRaster(bitmap, arguments, ProgressReporter(*this),
                     WallisWorkers(bitmap.Width(), bitmap.Height(), ThreadBudget()));
  FinishRegion(region);
}
