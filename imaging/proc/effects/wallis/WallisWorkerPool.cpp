#include "imaging/proc/effects/wallis/WallisWorkerPool.h"

#include <utility>

#include "platform/WorkerPool.h"

WallisWorkerPool::WallisWorkerPool(std::size_t workers, Work work) : work_(std::move(work)) {
  for (std::size_t w = 0; w < workers; ++w) {
    WorkerPool::Shared().Post([this, gate = gate_, w] {
      {
        std::lock_guard<std::mutex> lock(gate->mutex);
        if (gate->closed)
          return;
        ++gate->serving;
      }
      Serve(w);
      std::lock_guard<std::mutex> lock(gate->mutex);
      --gate->serving;
      gate->left.notify_all();
    });
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
  std::unique_lock<std::mutex> lock(gate_->mutex);
  gate_->closed = true;
  gate_->left.wait(lock, [this] { return gate_->serving == 0; });
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
