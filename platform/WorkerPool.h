#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/// The library's one pool of worker threads. Code that works in parallel borrows threads from it
/// within the budget its caller granted; nothing else in the library starts threads. Threads are
/// started when first needed, at most one per processor core, and serve until the process ends.
class WorkerPool {
 public:
  static WorkerPool& Shared();

  explicit WorkerPool(std::size_t maxThreads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  /// Runs `task` on a pool thread as soon as one is free; tasks wait in order otherwise. A task
  /// may never run when no thread can be started, so callers must be able to do the work
  /// themselves.
  void Post(std::function<void()> task);

  /// Marks the calling thread as working in parallel with the pool's threads for its lifetime,
  /// so that BusyPeak counts every thread of a parallel piece of work.
  class Busy {
   public:
    explicit Busy(WorkerPool& pool);
    ~Busy();
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    WorkerPool& pool_;
  };

  /// The most threads that were busy at once (marked callers and running tasks) since the last
  /// ResetBusyPeak.
  int BusyPeak() const { return busyPeak_.load(); }
  void ResetBusyPeak() { busyPeak_.store(busy_.load()); }

 private:
  void Serve();
  void EnterBusy();
  void LeaveBusy();

  const std::size_t maxThreads_;
  std::mutex mutex_;
  std::condition_variable taskReady_;
  std::deque<std::function<void()>> tasks_;
  std::size_t idle_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  std::atomic<int> busy_{0};
  std::atomic<int> busyPeak_{0};
};
