#pragma once

#include "imaging/core/ImgTypes.h"
#include "imaging/proc/resample/ResampleCommon.h"

class TImgBitmap;

/// How the contribution resampler reads its source and writes its target.
enum class ContributionLayout {
  kBgr24,        ///< pfBGR24 into pfBGR24, with progress
  kBitToGray24,  ///< pfBit1 read as 0/255 into a gray pfBGR24 target
  kGray8,        ///< one 8-bit channel (alpha channels)
};

/// Separable two-pass kernel filter (rfTriangle .. rfLinear) with integer weights scaled by
/// 256, through a work raster of target width x source height. Leaves the allocated target
/// unwritten when both source sides are below 2.
void ContributionResample(TImgBitmap& source, TImgBitmap& target, TResampleFilter filter,
                          ContributionLayout layout, const ResampleProgress& progress);
