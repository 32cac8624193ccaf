#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/EffectFrame.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/effects/equalize/HistEqualizer.h"

void TImagerProc::HistAutoEqualize() {
  Region region;
  if (!PrepareRegion({pfBGR24}, "HistAutoEqualize", region))
    return;
  EqualizeHistogram(*region.bitmap, region.x1, region.y1, region.x2, region.y2,
                    ProgressReporter(*this));
  FinishRegion(region);
}
