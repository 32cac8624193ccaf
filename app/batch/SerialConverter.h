#pragma once

#include "app/batch/PhotoConverter.h"

class TImager;

/// Converts the photos one after the other on one imaging component, reading the per-file
/// settings from the window afresh for every file. The component's operations may keep
/// `threadBudget` threads busy, the run's own included.
class TSerialConverter : public TPhotoConverter {
 public:
  TSerialConverter(TImager& imager, int threadBudget);
  void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                  const TJobFinished& finished) override;

 private:
  TImager& imager_;
};
