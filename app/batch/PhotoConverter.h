#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TBatchWindow;

/// One photo of a run: its index in the collected list, its source and its target path.
struct TPhotoJob {
  std::size_t ListIndex = 0;
  std::string Source;
  std::string Target;
};

/// Called on the run's own thread for each job in list order, with whether it was converted.
using TJobFinished = std::function<void(std::size_t job, bool converted)>;

/// Converts the photos of a run: creates each target's folder, then converts the file.
class TPhotoConverter {
 public:
  virtual ~TPhotoConverter() = default;
  /// Converts every job with the window's settings and reports each one through finished, in
  /// job order. An error raised by a conversion ends the work: jobs after it are not reported
  /// and the error propagates to the caller. Once the window's StopRequested() answers true
  /// after a report, no further job is started; those in progress are finished and reported.
  virtual void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                          const TJobFinished& finished) = 0;
};
