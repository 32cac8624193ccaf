#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"

struct TPhotoReport;

/// The line a dry run prints for one photo: source, target, the sides before and after the
/// size rule and the effects, or why the photo would not be converted.
std::string PlanLine(const TPhotoReport& report, const ConversionSettings& settings);
