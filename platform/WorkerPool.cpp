#include "platform/WorkerPool.h"

#include <algorithm>
#include <system_error>
#include <utility>

WorkerPool& WorkerPool::Shared() {
  static WorkerPool pool(std::max(1u, std::thread::hardware_concurrency()));
  return pool;
}

WorkerPool::WorkerPool(std::size_t maxThreads) : maxThreads_(maxThreads) {}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  for (std::thread& thread : threads_)
    thread.join();
}

void WorkerPool::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    if (idle_ < tasks_.size() && threads_.size() < maxThreads_) {
      try {
        threads_.emplace_back([this] { Serve(); });
      } catch (const std::system_error&) {
        // The task waits for a thread that frees up; its caller does the work meanwhile.
      }
    }
  }
  taskReady_.notify_one();
}

void WorkerPool::Serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ++idle_;
    taskReady_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
    --idle_;
    if (stopping_)
      return;
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    EnterBusy();
    task();
    LeaveBusy();
    lock.lock();
  }
}

void WorkerPool::EnterBusy() {
  const int now = busy_.fetch_add(1) + 1;
  int peak = busyPeak_.load();
  while (now > peak && !busyPeak_.compare_exchange_weak(peak, now)) {
  }
}

void WorkerPool::LeaveBusy() {
  busy_.fetch_sub(1);
}

WorkerPool::Busy::Busy(WorkerPool& pool) : pool_(pool) {
  pool_.EnterBusy();
}

WorkerPool::Busy::~Busy() {
  pool_.LeaveBusy();
}
