#pragma once

#include "app/batch/PhotoConverter.h"

/// Converts photos on several worker threads, each with an imaging component of its own. Jobs
/// that touch the same file stay in list order on one worker, so the results are those of a
/// single worker. The settings are read once, when the work starts. Results are reported in
/// list order on the calling thread. A photo's error is reported with its job; when the window
/// ends runs on such errors, it also stops the hand-out of further work. Each worker's
/// operations may keep `threadBudget` threads busy, the worker's own included.
class TParallelConverter : public TPhotoConverter {
 public:
  TParallelConverter(int workers, int threadBudget)
      : workers_(workers < 1 ? 1 : workers), threadBudget_(threadBudget) {}
  void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                  const TJobFinished& finished) override;

 private:
  int workers_;
  int threadBudget_;
};
