#include "app/batch/ParallelConverter.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "app/batch/BatchWindow.h"
#include "app/batch/ConversionChains.h"
#include "app/batch/ConvertFile.h"
#include "app/batch/FolderUtils.h"
#include "imaging/component/TImager.h"
#include "imaging/proc/TImagerProc.h"

namespace {

enum TJobState { jsPending, jsDone };

/// What the workers and the reporting thread share.
class TWorkBoard {
 public:
  TWorkBoard(const std::vector<TPhotoJob>& jobs, const ConversionSettings& settings, int workers,
             bool stopOnError, int threadBudget)
      : jobs_(jobs),
        settings_(settings),
        chains_(ConversionChains(jobs)),
        stopOnError_(stopOnError),
        states_(jobs.size(), jsPending),
        results_(jobs.size()),
        activeWorkers_(workers),
        threadBudget_(threadBudget) {}

  void Work() {
    TImager imager;
    imager.Proc()->SetThreadBudget(threadBudget_);
    for (const std::vector<std::size_t>* chain = NextChain(); chain != nullptr;
         chain = NextChain()) {
      for (std::size_t job : *chain) {
        if (!ConvertOne(imager, job))
          break;
      }
    }
    std::lock_guard lock(mutex_);
    --activeWorkers_;
    changed_.notify_all();
  }

  /// Waits until the job is done; jsPending when no worker will ever do it.
  TJobState Await(std::size_t job, TPhotoResult& result) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return states_[job] != jsPending || activeWorkers_ == 0; });
    result = results_[job];
    return states_[job];
  }

  /// The error of the first failed job, or null.
  std::exception_ptr FirstError() {
    std::lock_guard lock(mutex_);
    for (const TPhotoResult& result : results_) {
      if (result.Error)
        return result.Error;
    }
    return nullptr;
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }

 private:
  const std::vector<std::size_t>* NextChain() {
    std::lock_guard lock(mutex_);
    if (stopped_ || nextChain_ == chains_.size())
      return nullptr;
    return &chains_[nextChain_++];
  }

  // False when the chain must not go on: the work was stopped (by a stop request, or by a
  // failure when the window ends runs on one).
  bool ConvertOne(TImager& imager, std::size_t job) {
    TPhotoResult result;
    try {
      CreateFolderPath(DirectoryPart(jobs_[job].Target));
      result = ConvertFile(imager, settings_, jobs_[job].Source, jobs_[job].Target);
    } catch (...) {
      result.Error = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    states_[job] = jsDone;
    if (result.Error && stopOnError_)
      stopped_ = true;
    results_[job] = std::move(result);
    changed_.notify_all();
    return !stopped_;
  }

  const std::vector<TPhotoJob>& jobs_;
  const ConversionSettings settings_;
  const std::vector<std::vector<std::size_t>> chains_;
  const bool stopOnError_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t nextChain_ = 0;
  std::vector<TJobState> states_;
  std::vector<TPhotoResult> results_;
  int activeWorkers_;
  const int threadBudget_;
  bool stopped_ = false;
};

}  // namespace

void TParallelConverter::ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                                    const TJobFinished& finished) {
  const bool endRunOnError = window.EndRunOnPhotoError();
  TWorkBoard board(jobs, window.Settings(), workers_, endRunOnError, threadBudget_);
  std::vector<std::jthread> threads;
  // Stops the hand-out before the threads are joined, also when a report throws.
  struct TStopper {
    TWorkBoard& board;
    ~TStopper() { board.Stop(); }
  } stopper{board};
  for (int i = 0; i < workers_; ++i)
    threads.emplace_back([&board] { board.Work(); });

  for (std::size_t job = 0; job < jobs.size(); ++job) {
    TPhotoResult result;
    // A failure elsewhere or a stop leaves a job undone for good; later jobs may be done.
    if (board.Await(job, result) == jsPending) {
      // An error the window ends runs on is raised once the jobs before it are reported.
      std::exception_ptr first = board.FirstError();
      if (first && endRunOnError)
        std::rethrow_exception(first);
      continue;
    }
    finished(job, result);
    if (window.StopRequested())
      board.Stop();
  }
}
