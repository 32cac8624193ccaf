#pragma once

#include "app/batch/PhotoConverter.h"

class TRunWaiter;

/// Converts photos on several worker threads, each with an imaging component of its own. Jobs
/// that touch the same file stay in list order on one worker, so the results are those of a
/// single worker. Results are reported in list order on the calling thread, which waits for the
/// workers through the waiter; whenever it wakes or reports, it reads the window's settings
/// afresh for the photos started from then on, and a stop request stops the hand-out of further
/// work. A photo's error is reported with its job; when the window ends runs on such errors, it
/// also stops the hand-out. When a report throws, the photos in progress are finished (waited
/// for through the waiter) before the exception goes on. Each worker's operations may keep
/// `threadBudget` threads busy, the worker's own included.
class TParallelConverter : public TPhotoConverter {
 public:
  /// Waits by blocking the calling thread.
  TParallelConverter(int workers, int threadBudget)
      : workers_(workers < 1 ? 1 : workers), threadBudget_(threadBudget) {}
  TParallelConverter(int workers, int threadBudget, TRunWaiter& waiter)
      : workers_(workers < 1 ? 1 : workers), threadBudget_(threadBudget), waiter_(&waiter) {}
  void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                  const TJobFinished& finished) override;

 private:
  int workers_;
  int threadBudget_;
  TRunWaiter* waiter_ = nullptr;
};
