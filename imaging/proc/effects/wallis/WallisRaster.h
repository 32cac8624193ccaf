#pragma once

#include <cstddef>

#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/proc/EffectProgress.h"

/// The Wallis filter's arguments in their declared order, with the batch run's values.
struct WallisArguments {
  int WindowWidthPercent = 2;
  int WindowHeightPercent = 2;
  int TargetMean = 50;
  int TargetDeviation = 50;
  int Gain = 50;
  int MeanWeight = 10;
  int DeviationLimit = 50;
  bool Threshold = false;
};

/// Window side for a percentage of the image's shorter side (plus the 29 of the padding that
/// the window may reach into); never less than 21.
int WallisWindowSize(int percent, int shorterSide);

/// Local-statistics contrast filter on the HSL lightness of a pfBGR24 raster: each pixel's
/// lightness is pulled towards the target mean and deviation from those of its window. Other
/// formats are left alone, as are pixels the window cannot be centred on. Rows are filtered on
/// `workers` threads of the shared pool besides the calling one (none: all on the calling
/// thread); the result is the same whatever the count.
void WallisFilterRaster(TImgBaseBitmap& image, const WallisArguments& arguments,
                        const EffectProgress& progress, std::size_t workers = 0);

/// Pool threads worth borrowing for an image of this size when the caller may use
/// `threadBudget` threads in all, its own included; none for small images.
std::size_t WallisWorkers(int width, int height, int threadBudget);
