#pragma once

#include <array>
#include <cstdint>

#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/proc/EffectProgress.h"

/// Output ranges of the equalizer: input luminance i maps into Low[i]..High[i].
struct EqualizerLevels {
  std::array<std::uint8_t, 256> Low{};
  std::array<std::uint8_t, 256> High{};
};

/// Spreads the luminance counts over 256 output levels of levelSize pixels each.
EqualizerLevels BuildEqualizerLevels(const std::array<std::uint64_t, 256>& luminanceCounts,
                                     double levelSize);

/// Equalizes the rectangle x1..x2-1, y1..y2-1 of a pfBGR24 raster from the luminance histogram
/// of the whole raster; a pixel's place within its level's range follows its 3 x 3 neighbourhood.
/// Pixels outside the rectangle are not touched; other formats are left alone.
void EqualizeHistogram(TImgBaseBitmap& image, int x1, int y1, int x2, int y2,
                       const EffectProgress& progress);
