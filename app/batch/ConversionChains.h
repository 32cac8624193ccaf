#pragma once

#include <cstddef>
#include <vector>

#include "app/batch/PhotoConverter.h"

/// Splits a run's jobs into chains that may be converted in parallel with each other. Two jobs
/// share a chain when they touch the same file: the same target (the later one must win), or
/// one's target is another's source (it must be read as one job would find it). Each chain
/// lists its jobs in job order; the chains are ordered by their first job.
std::vector<std::vector<std::size_t>> ConversionChains(const std::vector<TPhotoJob>& jobs);
