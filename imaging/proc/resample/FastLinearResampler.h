#pragma once

#include "imaging/proc/resample/ResampleCommon.h"

class TImgBitmap;

/// Fixed-point linear interpolation when enlarging, integer box means otherwise, per axis,
/// through a work raster of target width x source height. channels is 3 for pfBGR24 images
/// and 1 for pfGray8 alpha channels; the target is allocated at the wanted size.
void FastLinearResample(TImgBitmap& source, TImgBitmap& target, int channels,
                        const ResampleProgress& progress);
