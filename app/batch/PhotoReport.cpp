#include "app/batch/PhotoReport.h"

const char* OutcomeName(TPhotoOutcome outcome) {
  switch (outcome) {
    case poConverted:
      return "converted";
    case poConvertedDamaged:
      return "converted, damaged source";
    case poUpToDate:
      return "up to date";
    case poNotConverted:
      return "not converted";
    case poClash:
      return "clash";
    case poPlanned:
      return "planned";
  }
  return "";
}
