#include "app/batch/ClashReports.h"

#include <utility>

#include "app/batch/BatchWindow.h"

namespace {

bool Stands(TPhotoOutcome outcome) {
  return outcome == poConverted || outcome == poConvertedDamaged || outcome == poUpToDate;
}

}  // namespace

TClashReports::TClashReports(const std::vector<TPhotoJob>& jobs,
                             const std::vector<TTargetClash>& clashes)
    : jobs_(jobs), clashOf_(jobs.size(), -1), isLast_(jobs.size(), false), held_(clashes.size()) {
  for (std::size_t clash = 0; clash < clashes.size(); ++clash) {
    for (std::size_t job : clashes[clash].Jobs)
      clashOf_[job] = static_cast<int>(clash);
    isLast_[clashes[clash].Jobs.back()] = true;
  }
}

void TClashReports::Report(std::size_t job, const TPhotoResult& result, TPhotoOutcome outcome,
                           std::string reason, TBatchWindow& window) {
  if (clashOf_[job] < 0) {
    window.PhotoReported({jobs_[job], result, outcome, std::move(reason)});
    return;
  }
  std::vector<THeld>& held = held_[static_cast<std::size_t>(clashOf_[job])];
  held.push_back({job, result, outcome, std::move(reason)});
  if (isLast_[job])
    Release(held, window);
}

void TClashReports::Flush(TBatchWindow& window) {
  for (std::vector<THeld>& held : held_)
    Release(held, window);
}

void TClashReports::Release(std::vector<THeld>& held, TBatchWindow& window) {
  const std::string* replacer = nullptr;
  for (auto entry = held.rbegin(); entry != held.rend(); ++entry) {
    if (replacer != nullptr && Stands(entry->outcome)) {
      entry->outcome = poClash;
      entry->reason = "replaced by " + *replacer;
    }
    if (replacer == nullptr && Stands(entry->outcome))
      replacer = &jobs_[entry->job].Source;
  }
  for (const THeld& entry : held)
    window.PhotoReported({jobs_[entry.job], entry.result, entry.outcome, entry.reason});
  held.clear();
}
