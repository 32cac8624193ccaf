#pragma once

#include <QObject>
#include <atomic>

#include "app/batch/RunWaiter.h"

class QEventLoop;

/// Waits for a run's workers in a local event loop of the thread that owns it, so that the
/// window repaints and takes input (Stop among it) while its photos are converted. A wake
/// from a worker reaches that thread as a queued call.
class TEventLoopWaiter : public QObject, public TRunWaiter {
 public:
  void Wait() override;
  void Wake() override;

 private:
  std::atomic<bool> signalled_{false};
  // The loop of the Wait under way; only the owning thread touches it.
  QEventLoop* loop_ = nullptr;
};
