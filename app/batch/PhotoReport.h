#pragma once

#include <string>

#include "app/batch/PhotoConverter.h"

/// What became of one photo, as a report or a plan names it.
enum TPhotoOutcome {
  poConverted,
  poConvertedDamaged,  ///< converted from a damaged but readable source
  poUpToDate,          ///< left alone: the target is not older than the source
  poNotConverted,
  poClash,   ///< converted, but a later source with the same target replaces it
  poPlanned  ///< a plan-only run would convert it
};

/// The outcome as reports write it: "converted", "up to date", ...
const char* OutcomeName(TPhotoOutcome outcome);

/// One photo once it is done.
struct TPhotoReport {
  const TPhotoJob& Job;
  const TPhotoResult& Result;
  TPhotoOutcome Outcome;
  std::string Reason;  ///< why it was not converted, the source's damage, or what replaces it
};
