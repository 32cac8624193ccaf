#pragma once

class TImgBitmap;

/// Resamples a pfBit1 image into a pfBGR24 gray target by 17-bit fixed-point interpolation,
/// or by block means when both sides shrink. At an unchanged size the target becomes a plain
/// copy of the source and stays pfBit1.
void BitInterpolateResample(TImgBitmap& source, TImgBitmap& target);
