#pragma once

#include "imaging/proc/resample/ResampleCommon.h"

class TImgBitmap;

/// Nearest-pixel stretch into a target of the source's format and the wanted size: whole
/// pixels (single bits for pfBit1) are copied, in every pixel format.
void NearestResample(TImgBitmap& source, TImgBitmap& target, const ResampleProgress& progress);
