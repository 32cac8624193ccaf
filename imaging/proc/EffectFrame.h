#pragma once

#include "imaging/proc/EffectProgress.h"
#include "imaging/proc/TImagerProc.h"

/// Forwards an effect's percentages to the processing object's OnProgress; empty when no
/// handler is assigned.
inline EffectProgress ProgressReporter(TImagerProc& processor) {
  if (!processor.OnProgress)
    return {};
  return [&processor](int percent) { processor.Progress(percent); };
}
