#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// A marked caller and a running task are both busy; the peak sees them together.
TEST(WorkerPoolTest, CountsMarkedCallersAndRunningTasksAsBusy) {
  WorkerPool pool(2);
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool release = false;
  {
    const WorkerPool::Busy busy(pool);
    pool.Post([&] {
      std::unique_lock<std::mutex> lock(mutex);
      started = true;
      changed.notify_all();
      changed.wait(lock, [&] { return release; });
    });
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return started; });
    EXPECT_EQ(pool.BusyPeak(), 2);
    release = true;
    changed.notify_all();
  }
}

// With one thread, tasks wait their turn and all run, in order.
TEST(WorkerPoolTest, TasksBeyondTheThreadsWaitTheirTurn) {
  std::vector<int> order;
  {
    WorkerPool pool(1);
    for (int i = 0; i < 5; ++i)
      pool.Post([&order, i] { order.push_back(i); });
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    pool.Post([&] {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
      done.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return finished; });
    EXPECT_LE(pool.BusyPeak(), 1);
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
