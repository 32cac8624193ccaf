#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/// Worker threads that take numbered jobs in the order handed in and hand them back when done.
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
  /// Waits for a submitted job to finish and returns it.
  int WaitFinished();

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
