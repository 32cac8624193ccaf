#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/batch/PhotoConverter.h"

/// Sources that all become one target; the last in list order is the one that stays.
struct TTargetClash {
  std::string Target;
  std::vector<std::size_t> Jobs;  ///< indexes into the run's jobs, in list order
};

/// Every target that more than one job writes, in the order of the targets' first jobs.
std::vector<TTargetClash> FindTargetClashes(const std::vector<TPhotoJob>& jobs);

/// One line naming the sources of a clash and the one that stays.
std::string ClashText(const TTargetClash& clash, const std::vector<TPhotoJob>& jobs);
