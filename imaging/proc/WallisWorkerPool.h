#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/// Worker threads that take numbered jobs in the order handed in and hand them back when done;
/// the thread handing them in can run one itself instead of waiting.
/// The destructor stops and joins the threads, also when the caller leaves by an exception;
/// jobs not yet taken are dropped then.
class WallisWorkerPool {
 public:
  /// work(worker, job) runs on worker thread number `worker` (0..workers - 1).
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
  void Serve(std::size_t worker);
  void StopAll();

  Work work_;
  std::mutex mutex_;
  std::condition_variable jobReady_;
  std::condition_variable jobFinished_;
  std::deque<int> ready_;
  std::deque<int> finished_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};
