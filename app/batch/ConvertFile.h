#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"
#include "app/batch/PhotoConverter.h"

class TImager;

/// Converts one photo on the imaging component: load, size rule, effects in their fixed order,
/// save options, progressive JPEG save. Not converted when the load set the I/O object's Aborting
/// flag: the file is then not saved, because the component would write the previous photo under
/// the new name; nor when the save set the flag, nor (with RefuseDamagedSources) when the
/// reader found the source damaged. The result carries the reader's damage reason. Errors
/// raised by the load, the processing or the save propagate.
TPhotoResult ConvertFile(TImager& imager, const ConversionSettings& settings,
                         const std::string& source, const std::string& target);
