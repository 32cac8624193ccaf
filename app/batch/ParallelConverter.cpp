#include "app/batch/ParallelConverter.h"

#include <exception>
#include <mutex>
#include <thread>

#include "app/batch/BatchWindow.h"
#include "app/batch/ConversionChains.h"
#include "app/batch/ConvertFile.h"
#include "app/batch/RunWaiter.h"
#include "imaging/component/TImager.h"
#include "imaging/proc/TImagerProc.h"

namespace {

enum TJobState { jsPending, jsDone };

/// What the workers and the reporting thread share. Every change a waiting reporter may be
/// looking for wakes it.
class TWorkBoard {
 public:
  TWorkBoard(const std::vector<TPhotoJob>& jobs, const ConversionSettings& settings, int workers,
             bool stopOnError, int threadBudget, TRunWaiter& waiter)
      : jobs_(jobs),
        settings_(settings),
        chains_(ConversionChains(jobs)),
        stopOnError_(stopOnError),
        states_(jobs.size(), jsPending),
        results_(jobs.size()),
        activeWorkers_(workers),
        threadBudget_(threadBudget),
        waiter_(waiter) {}

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
    {
      std::lock_guard lock(mutex_);
      --activeWorkers_;
    }
    waiter_.Wake();
  }

  /// True once the job is done, or once no worker is left to do it (the state then stays
  /// jsPending); state and result are then set.
  bool Settled(std::size_t job, TJobState& state, TPhotoResult& result) {
    std::lock_guard lock(mutex_);
    if (states_[job] == jsPending && activeWorkers_ > 0)
      return false;
    state = states_[job];
    result = results_[job];
    return true;
  }

  bool Idle() {
    std::lock_guard lock(mutex_);
    return activeWorkers_ == 0;
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

  /// The settings of the photos started from now on.
  void UseSettings(const ConversionSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
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
    ConversionSettings settings;
    {
      std::lock_guard lock(mutex_);
      settings = settings_;
    }
    TPhotoResult result;
    try {
      result = ConvertJob(imager, settings, jobs_[job]);
    } catch (...) {
      result.Error = std::current_exception();
    }
    bool goOn = false;
    {
      std::lock_guard lock(mutex_);
      states_[job] = jsDone;
      if (result.Error && stopOnError_)
        stopped_ = true;
      results_[job] = std::move(result);
      goOn = !stopped_;
    }
    waiter_.Wake();
    return goOn;
  }

  const std::vector<TPhotoJob>& jobs_;
  ConversionSettings settings_;
  const std::vector<std::vector<std::size_t>> chains_;
  const bool stopOnError_;
  std::mutex mutex_;
  std::size_t nextChain_ = 0;
  std::vector<TJobState> states_;
  std::vector<TPhotoResult> results_;
  int activeWorkers_;
  const int threadBudget_;
  TRunWaiter& waiter_;
  bool stopped_ = false;
};

// What the window asks for while the photos are converted: a stop, or other settings.
void FollowWindow(TBatchWindow& window, TWorkBoard& board) {
  if (window.StopRequested())
    board.Stop();
  board.UseSettings(window.Settings());
}

void ReportInOrder(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                   const TJobFinished& finished, TWorkBoard& board, TRunWaiter& waiter) {
  const bool endRunOnError = window.EndRunOnPhotoError();
  for (std::size_t job = 0; job < jobs.size(); ++job) {
    TJobState state = jsPending;
    TPhotoResult result;
    while (!board.Settled(job, state, result)) {
      waiter.Wait();
      FollowWindow(window, board);
    }
    // A failure elsewhere or a stop leaves a job undone for good; later jobs may be done.
    if (state == jsPending) {
      // An error the window ends runs on is raised once the jobs before it are reported.
      std::exception_ptr first = board.FirstError();
      if (first && endRunOnError)
        std::rethrow_exception(first);
      continue;
    }
    finished(job, result);
    FollowWindow(window, board);
  }
}

}  // namespace

void TParallelConverter::ConvertAll(const std::vector<TPhotoJob>& jobs, TBatchWindow& window,
                                    const TJobFinished& finished) {
  TBlockingWaiter blocking;
  TRunWaiter& waiter = waiter_ != nullptr ? *waiter_ : blocking;
  TWorkBoard board(jobs, window.Settings(), workers_, window.EndRunOnPhotoError(), threadBudget_,
                   waiter);
  std::vector<std::jthread> threads;
  // Stops the hand-out before the threads are joined, whichever way this function is left.
  struct TStopper {
    TWorkBoard& board;
    ~TStopper() { board.Stop(); }
  } stopper{board};
  for (int i = 0; i < workers_; ++i)
    threads.emplace_back([&board] { board.Work(); });
  try {
    ReportInOrder(jobs, window, finished, board, waiter);
  } catch (...) {
    // The photos in progress are finished and kept; the waiting goes through the waiter, so a
    // window stays responsive until they are.
    board.Stop();
    while (!board.Idle())
      waiter.Wait();
    throw;
  }
}
