#include "imaging/io/async/TImgIOWorkers.h"

#include <algorithm>

#include "platform/DebugOutput.h"

TImgIOWorkers::~TImgIOWorkers() {
  WaitForAll();
}

std::list<TImgIOWorkers::TWorker> TImgIOWorkers::TakeFinished() {
  std::list<TWorker> finished;
  for (auto it = workers_.begin(); it != workers_.end();) {
    const auto next = std::next(it);
    if (it->done)
      finished.splice(finished.end(), workers_, it);
    it = next;
  }
  return finished;
}

void TImgIOWorkers::Start(std::function<void()> call) {
  std::list<TWorker> finished;
  {
    std::lock_guard guard(lock_);
    finished = TakeFinished();
    TWorker& worker = workers_.emplace_back();
    const std::uint64_t ticket = nextTicket_++;
    try {
      worker.thread = std::thread(&TImgIOWorkers::Execute, this, std::move(call), ticket, &worker);
    } catch (...) {
      // No thread, so this ticket would never be served and would hold up every later one.
      workers_.pop_back();
      --nextTicket_;
      throw;
    }
  }
  for (TWorker& worker : finished)
    worker.thread.join();
}

void TImgIOWorkers::Execute(std::function<void()> call, std::uint64_t ticket, TWorker* self) {
  {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return turn_ == ticket; });
  }
  try {
    call();
  } catch (...) {
    DebugOutput("Exception in TImgIOThread.Execute");
  }
  {
    std::lock_guard guard(lock_);
    ++turn_;
    self->done = true;
  }
  changed_.notify_all();
}

bool TImgIOWorkers::IsWorkerThread() const {
  const std::thread::id current = std::this_thread::get_id();
  std::lock_guard guard(lock_);
  return std::any_of(workers_.begin(), workers_.end(), [&](const TWorker& worker) {
    return !worker.done && worker.thread.get_id() == current;
  });
}

void TImgIOWorkers::WaitForAll() {
  // Every earlier worker has ended before this one started, and no later one starts before it
  // ends: a worker that waited here would wait for itself.
  if (IsWorkerThread())
    return;
  std::list<TWorker> finished;
  {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return turn_ == nextTicket_; });
    finished.swap(workers_);
  }
  // Joined rather than only counted: a worker still leaving its last lines must be gone
  // before the object it belongs to is.
  for (TWorker& worker : finished)
    worker.thread.join();
}
