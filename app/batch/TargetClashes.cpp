#include "app/batch/TargetClashes.h"

#include <unordered_map>

std::vector<TTargetClash> FindTargetClashes(const std::vector<TPhotoJob>& jobs) {
  std::vector<TTargetClash> byTarget;
  std::unordered_map<std::string, std::size_t> slot;
  for (std::size_t job = 0; job < jobs.size(); ++job) {
    const auto [found, added] = slot.try_emplace(jobs[job].Target, byTarget.size());
    if (added)
      byTarget.push_back({jobs[job].Target, {}});
    byTarget[found->second].Jobs.push_back(job);
  }
  std::vector<TTargetClash> clashes;
  for (TTargetClash& entry : byTarget) {
    if (entry.Jobs.size() > 1)
      clashes.push_back(std::move(entry));
  }
  return clashes;
}

std::string ClashText(const TTargetClash& clash, const std::vector<TPhotoJob>& jobs) {
  std::string text;
  for (std::size_t i = 0; i < clash.Jobs.size(); ++i) {
    if (i > 0)
      text += i + 1 == clash.Jobs.size() ? " and " : ", ";
    text += jobs[clash.Jobs[i]].Source;
  }
  return text + " all become " + clash.Target + "; " + jobs[clash.Jobs.back()].Source +
         " replaces the others";
}
