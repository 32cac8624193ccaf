#include <cstdio>
#include <string>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/EffectFrame.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/effects/blur/BlurKernel.h"
#include "imaging/proc/effects/blur/BlurRaster.h"

namespace {

// General format with 15 significant digits: 2.0 reads "2", 1.5 reads "1.5".
std::string GeneralFormat(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

}  // namespace

void TImagerProc::Blur(double radius) {
  Region region;
  if (!PrepareRegion({pfGray8, pfBGR24}, "Blur " + GeneralFormat(radius), region))
    return;
  // Written so that a NaN radius also leaves the image as it is (after its undo copy).
  if (!(radius > 0.0))
    return;
  BlurRaster(*region.bitmap, BlurKernel(radius), ProgressReporter(*this));
  FinishRegion(region);
}
