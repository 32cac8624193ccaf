#include "app/batch/RunWaiter.h"

void TBlockingWaiter::Wait() {
  std::unique_lock lock(mutex_);
  woken_.wait(lock, [this] { return signalled_; });
  signalled_ = false;
}

void TBlockingWaiter::Wake() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  woken_.notify_one();
}
