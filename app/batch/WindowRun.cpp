#include "app/batch/WindowRun.h"

#include "app/batch/ParallelConverter.h"
#include "app/batch/ThreadBudget.h"

TBatchResult RunOnEveryCore(TBatchWindow& window, TRunWaiter& waiter) {
  const int cores = MachineCores();
  TParallelConverter converter(cores, SharedThreadBudget(cores, cores), waiter);
  return Button1Click(window, converter);
}
