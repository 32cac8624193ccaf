#include "app/gui/EventLoopWaiter.h"

#include <QEventLoop>

void TEventLoopWaiter::Wait() {
  if (signalled_.exchange(false))
    return;
  // A wake between the test above and exec() is not lost: its queued call runs inside exec().
  QEventLoop loop;
  loop_ = &loop;
  loop.exec();
  loop_ = nullptr;
  signalled_.store(false);
}

void TEventLoopWaiter::Wake() {
  signalled_.store(true);
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (loop_ != nullptr)
          loop_->quit();
      },
      Qt::QueuedConnection);
}
