#pragma once

#include <memory>

#include "imaging/proc/resample/ResampleCommon.h"

class TImgBitmap;
class TRowSource;

/// Area-weighted resampling of a pfBGR24 image into an allocated pfBGR24 target: every target
/// pixel is the mean, over the source area it covers, of values interpolated linearly
/// (cubic false) or with the a = -1 cubic kernel (cubic true).
void AreaResample(TImgBitmap& source, TImgBitmap& target, bool cubic,
                  const ResampleProgress& progress);

/// The same resampling of source to width x height as rows worked out when asked for: source
/// rows are read from the top down, a few at a time, so neither picture needs to be whole.
/// The bytes are those AreaResample writes. Raises std::invalid_argument for an empty size.
std::unique_ptr<TRowSource> AreaResampledRowsOf(TRowSource& source, int width, int height,
                                                bool cubic);
