#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

/// The worker threads of one I/O object's asynchronous mode. Each call runs on a thread of its
/// own, but only after every call started before it has ended: two workers never touch the
/// object's image at the same time, and a save started after a load saves what was loaded.
class TImgIOWorkers {
 public:
  TImgIOWorkers() = default;
  /// Waits for every worker; must not run on one of them.
  ~TImgIOWorkers();
  TImgIOWorkers(const TImgIOWorkers&) = delete;
  TImgIOWorkers& operator=(const TImgIOWorkers&) = delete;

  /// Starts a worker for the call and returns at once. An exception the call lets out is
  /// written to the debug output and goes no further.
  void Start(std::function<void()> call);
  /// True on the thread of a worker that has not ended yet.
  bool IsWorkerThread() const;
  /// Returns once every worker started so far has ended; on a worker it returns at once.
  void WaitForAll();

 private:
  struct TWorker {
    std::thread thread;
    bool done = false;
  };

  void Execute(std::function<void()> call, std::uint64_t ticket, TWorker* self);
  std::list<TWorker> TakeFinished();

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::list<TWorker> workers_;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t turn_ = 0;
};
