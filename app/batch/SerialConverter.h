#pragma once

#include "app/batch/PhotoConverter.h"

class TImager;

/// Converts the photos one after the other on the window's imaging component, reading the
/// per-file settings from the window afresh for every file.
class TSerialConverter : public TPhotoConverter {
 public:
  explicit TSerialConverter(TImager& imager) : imager_(imager) {}
  void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                  const TJobFinished& finished) override;

 private:
  TImager& imager_;
};
