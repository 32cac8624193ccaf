#include "imaging/proc/WallisWorkerPool.h"

#include <utility>

WallisWorkerPool::WallisWorkerPool(std::size_t workers, Work work) : work_(std::move(work)) {
  threads_.reserve(workers);
  try {
    for (std::size_t w = 0; w < workers; ++w)
      threads_.emplace_back([this, w] { Serve(w); });
  } catch (...) {
    StopAll();
    throw;
  }
}

WallisWorkerPool::~WallisWorkerPool() {
  StopAll();
}

void WallisWorkerPool::StopAll() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  jobReady_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable())
      thread.join();
  }
}

void WallisWorkerPool::Submit(int job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(job);
  }
  jobReady_.notify_one();
}

int WallisWorkerPool::TakeFinished(std::size_t helper) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_.empty() && !ready_.empty()) {
    const int job = ready_.front();
    ready_.pop_front();
    lock.unlock();
    work_(helper, job);
    return job;
  }
  jobFinished_.wait(lock, [this] { return !finished_.empty(); });
  const int job = finished_.front();
  finished_.pop_front();
  return job;
}

void WallisWorkerPool::Serve(std::size_t worker) {
  for (;;) {
    int job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      jobReady_.wait(lock, [this] { return stopping_ || !ready_.empty(); });
      if (stopping_)
        return;
      job = ready_.front();
      ready_.pop_front();
    }
    work_(worker, job);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_.push_back(job);
    }
    jobFinished_.notify_one();
  }
}
