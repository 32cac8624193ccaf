#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"

class TImager;

/// Converts one photo on the imaging component: load, size rule, effects in their fixed order,
/// save options, progressive JPEG save. False when the load set the I/O object's Aborting flag:
/// the file is then not saved, because the component would write the previous photo under the
/// new name; also false when the save set the flag. Errors raised by the load, the processing or
/// the save propagate.
bool ConvertFile(TImager& imager, const ConversionSettings& settings, const std::string& source,
                 const std::string& target);
