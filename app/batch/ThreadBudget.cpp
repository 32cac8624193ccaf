#include "app/batch/ThreadBudget.h"

#include <algorithm>
#include <thread>

int MachineCores() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int SharedThreadBudget(int cores, int workers) {
  return std::max(1, cores / std::max(1, workers));
}
