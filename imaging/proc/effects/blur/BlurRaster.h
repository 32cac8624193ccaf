#pragma once

#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/proc/EffectProgress.h"
#include "imaging/proc/effects/blur/BlurKernel.h"

/// Blurs a whole pfGray8 or pfBGR24 raster with a kernel: every row first, then every column,
/// each channel on its own, edges clamped. Rasters of other formats are left alone.
void BlurRaster(TImgBaseBitmap& image, const BlurKernel& kernel, const EffectProgress& progress);
