#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

/// Numbered jobs served by threads borrowed from the shared worker pool, handed back when done;
/// the thread handing them in can run one itself instead of waiting, so the jobs get done even
/// when no pool thread is free. The destructor waits for the borrowed threads to let go, also when
/// the caller leaves by an exception; jobs not yet taken are dropped then.
class WallisWorkerPool {
 public:
  /// work(worker, job) runs on borrowed thread number `worker` (0..workers - 1).
  using Work = std::function<void(std::size_t worker, int job)>;

  WallisWorkerPool(std::size_t workers, Work work);
  ~WallisWorkerPool();
  WallisWorkerPool(const WallisWorkerPool&) = delete;
  WallisWorkerPool& operator=(const WallisWorkerPool&) = delete;

  void Submit(int job);
  /// Returns a finished job: one already finished, else one not yet taken by a worker, run on
  /// the calling thread as worker number `helper`, else the next to finish.
  int TakeFinished(std::size_t helper);

 private:
  // Outlives the pool for borrowed threads that start only after it is gone.
  struct Gate {
    std::mutex mutex;
    std::condition_variable left;
    bool closed = false;
    int serving = 0;
  };

  void Serve(std::size_t worker);
  void StopAll();

  Work work_;
  std::mutex mutex_;
  std::condition_variable jobReady_;
  std::condition_variable jobFinished_;
  std::deque<int> ready_;
  std::deque<int> finished_;
  bool stopping_ = false;
  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};
