#pragma once

#include "app/batch/ConversionSettings.h"

/// What the size rule asks of the resampler for one photo: nothing, or a new width and height
/// where -1 lets that side follow from the other.
struct ResampleRequest {
  bool Resize = false;
  int Width = -1;
  int Height = -1;
};

/// The box a "fit into" size index stands for; the custom box falls back to 320 x 240 when a
/// text is not an integer greater than 0.
void SizeBox(const ConversionSettings& settings, int& boxWidth, int& boxHeight);

/// Applies the size rule of the settings to a loaded photo of width x height.
ResampleRequest ComputeResample(const ConversionSettings& settings, int width, int height);
