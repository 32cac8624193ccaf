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

enum TJobState { jsPending, jsConverted, jsNotConverted, jsFailed };

/// What the workers and the reporting thread share.
class TWorkBoard {
 public:
  TWorkBoard(const std::vector<TPhotoJob>& jobs, const ConversionSettings& settings, int workers,
             int threadBudget)
      : jobs_(jobs),
        settings_(settings),
        chains_(ConversionChains(jobs)),
        states_(jobs.size(), jsPending),
        errors_(jobs.size()),
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
  TJobState Await(std::size_t job, std::exception_ptr& error) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return states_[job] != jsPending || activeWorkers_ == 0; });
    error = errors_[job];
    return states_[job];
  }

  /// The error of the first failed job, or null.
  std::exception_ptr FirstError() {
    std::lock_guard lock(mutex_);
    for (const std::exception_ptr& error : errors_) {
      if (error)
        return error;
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

  // False when the chain must not go on: this job failed or the work was stopped.
  bool ConvertOne(TImager& imager, std::size_t job) {
    TJobState state = jsFailed;
    std::exception_ptr error;
    try {
      CreateFolderPath(DirectoryPart(jobs_[job].Target));
      state = ConvertFile(imager, settings_, jobs_[job].Source, jobs_[job].Target) ? jsConverted
                                                                                   : jsNotConverted;
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    states_[job] = state;
    errors_[job] = error;
    if (state == jsFailed)
      stopped_ = true;
    changed_.notify_all();
    return !stopped_;
  }

  const std::vector<TPhotoJob>& jobs_;
  const ConversionSettings settings_;
  const std::vector<std::vector<std::size_t>> chains_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t nextChain_ = 0;
  std::vector<TJobState> states_;
  std::vector<std::exception_ptr> errors_;
  int activeWorkers_;
  const int threadBudget_;
  bool stopped_ = false;
};

}  // namespace

void TParallelConverter::ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                                    const TJobFinished& finished) {
  TWorkBoard board(jobs, window.Settings(), workers_, threadBudget_);
  std::vector<std::jthread> threads;
  // Stops the hand-out before the threads are joined, also when a report throws.
  struct TStopper {
    TWorkBoard& board;
    ~TStopper() { board.Stop(); }
  } stopper{board};
  for (int i = 0; i < workers_; ++i)
    threads.emplace_back([&board] { board.Work(); });

  for (std::size_t job = 0; job < jobs.size(); ++job) {
    std::exception_ptr error;
    const TJobState state = board.Await(job, error);
    if (state == jsFailed)
      std::rethrow_exception(error);
    // A failure elsewhere or a stop leaves a job undone for good; later jobs may be done.
    if (state == jsPending) {
      if (std::exception_ptr first = board.FirstError())
        std::rethrow_exception(first);
      continue;
    }
    finished(job, state == jsConverted);
    if (window.StopRequested())
      board.Stop();
  }
}
