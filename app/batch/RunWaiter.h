#pragma once

#include <condition_variable>
#include <mutex>

/// How the thread that reports a parallel run waits for its workers. Wake may be called from
/// any thread; Wait returns once Wake was called since Wait last returned, and may also return
/// earlier, so the waiting thread looks again at what it waits for after every return.
class TRunWaiter {
 public:
  virtual ~TRunWaiter() = default;
  virtual void Wait() = 0;
  virtual void Wake() = 0;
};

/// Waits by blocking the calling thread: for hosts with nothing else to do meanwhile.
class TBlockingWaiter : public TRunWaiter {
 public:
  void Wait() override;
  void Wake() override;

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool signalled_ = false;
};
