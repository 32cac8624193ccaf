#pragma once

#include <cmath>

#include "imaging/io/ProgressRecord.h"

/// Counts rows done and reports rows done x percent per row, rounded to the nearest integer
/// (ties to even), when a handler is assigned.
inline void ReportJpegRows(TProgressRecord& progress, int rows) {
  progress.rowsDone += rows;
  if (progress.handler) {
    progress.handler(progress.sender,
                     static_cast<int>(std::nearbyint(progress.rowsDone * progress.perRow)));
  }
}
