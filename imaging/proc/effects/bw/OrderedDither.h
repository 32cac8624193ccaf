#pragma once

#include <array>
#include <cstdint>

#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/proc/EffectProgress.h"

/// The 8 x 8 ordered-dither index matrix (values 0..63); the pixel at (x, y) is compared with
/// the entry in row x mod 8 and column y mod 8.
const std::array<std::array<std::uint8_t, 8>, 8>& OrderedDitherMatrix();

/// Allocates target as a pfBit1 image of the source's size and dithers a pfBGR24 source into
/// it: white where the pixel's level on the 0..63 scale (64 for channels all at 251 or more)
/// exceeds its matrix entry. Other source formats leave the target alone.
void DitherToBlackAndWhite(TImgBaseBitmap& source, TImgBaseBitmap& target,
                           const EffectProgress& progress);
