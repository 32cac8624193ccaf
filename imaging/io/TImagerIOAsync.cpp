#include "imaging/io/TImagerIO.h"
#include "imaging/io/async/TImgIOWorkers.h"

bool TImagerIO::HandedToWorker(std::function<void()> call) {
  if (workers_->IsWorkerThread())
    return false;
  if (!asynchronous_ || ownBitmap_ != nullptr) {
    // A call on the caller's thread must not overlap workers started while the mode was on.
    workers_->WaitForAll();
    return false;
  }
  workers_->Start(std::move(call));
  return true;
}

void TImagerIO::WaitForWorkers() {
  workers_->WaitForAll();
}
