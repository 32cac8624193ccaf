#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/batch/PhotoReport.h"
#include "app/batch/TargetClashes.h"

class TBatchWindow;

/// Passes each photo's report on to the window, holding back those of a clash until its last
/// source is done: an earlier output is replaced only when a later source of the clash is
/// written (or stands up to date), not when that later source fails.
class TClashReports {
 public:
  TClashReports(const std::vector<TPhotoJob>& jobs, const std::vector<TTargetClash>& clashes);

  void Report(std::size_t job, const TPhotoResult& result, TPhotoOutcome outcome,
              std::string reason, TBatchWindow& window);
  /// Passes on what is still held back, for a run that ended before a clash's last source.
  void Flush(TBatchWindow& window);

 private:
  struct THeld {
    std::size_t job;
    TPhotoResult result;
    TPhotoOutcome outcome;
    std::string reason;
  };
  void Release(std::vector<THeld>& held, TBatchWindow& window);

  const std::vector<TPhotoJob>& jobs_;
  std::vector<int> clashOf_;  ///< per job, its clash's index, or -1
  std::vector<bool> isLast_;  ///< per job, whether it is its clash's last source
  std::vector<std::vector<THeld>> held_;
};
