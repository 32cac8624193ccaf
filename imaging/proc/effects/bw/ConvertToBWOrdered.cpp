#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/EffectFrame.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/effects/bw/OrderedDither.h"

void TImagerProc::ConvertToBWOrdered() {
  if (!BeginOperation({pfBGR24}))
    return;
  if (AutoUndo())
    SaveUndoCaption("ConvertToBWOrdered", 1);
  TImgBitmap* image = CurrentImage();
  if (!image->IsEmpty()) {
    TImgBitmap result;
    DitherToBlackAndWhite(*image, result, ProgressReporter(*this));
    result.MoveTo(image);
  }
  UpdateView();
}
