#pragma once

#include "imaging/proc/resample/ResampleCommon.h"

class TImgBitmap;

/// Area-weighted resampling of a pfBGR24 image into an allocated pfBGR24 target: every target
/// pixel is the mean, over the source area it covers, of values interpolated linearly
/// (cubic false) or with the a = -1 cubic kernel (cubic true).
void AreaResample(TImgBitmap& source, TImgBitmap& target, bool cubic,
                  const ResampleProgress& progress);
