#pragma once

#include <cstddef>
#include <exception>
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

/// What became of one photo.
struct TPhotoResult {
  bool Converted = false;
  /// Why the source was damaged though readable (the reader's words); empty for a clean one.
  std::string Damage;
  /// The error raised while the photo was loaded, processed or saved; null when none was.
  std::exception_ptr Error;
};

/// Called on the run's own thread for each job in list order, with what became of it.
using TJobFinished = std::function<void(std::size_t job, const TPhotoResult& result)>;

/// Converts the photos of a run: creates each target's folder, then converts the file.
class TPhotoConverter {
 public:
  virtual ~TPhotoConverter() = default;
  /// Converts every job with the window's settings and reports each one through finished, in
  /// job order; an error raised by a conversion is reported with its job. An exception thrown
  /// by finished ends the work and propagates; when the window ends runs on a photo's error,
  /// the work may also stop handing out jobs after a failed one. Once the window's
  /// StopRequested() answers true after a report, no further job is started; those in progress
  /// are finished and reported.
  virtual void ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                          const TJobFinished& finished) = 0;
};
