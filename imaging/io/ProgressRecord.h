#pragma once

#include "imaging/core/ImgTypes.h"

/// Handed by the I/O object to every codec call: where to report progress and how to abort.
struct TProgressRecord {
  TImgProgressEvent handler;  ///< may be empty
  void* sender = nullptr;
  int rowsDone = 0;
  double perRow = 0.0;       ///< set by the codec to 100 / number of rows
  double perBlock = 0.0;     ///< set by the TIFF reader to 100 / number of strips or tiles
  bool* aborting = nullptr;  ///< the I/O object's Aborting flag; codecs set it to report failure

  bool Aborted() const { return aborting != nullptr && *aborting; }
  void Abort() const {
    if (aborting != nullptr)
      *aborting = true;
  }
  /// Counts one more row done and reports trunc(rows x perRow) when a handler is assigned.
  void RowDone() {
    ++rowsDone;
    if (handler)
      handler(sender, static_cast<int>(rowsDone * perRow));
  }
};
