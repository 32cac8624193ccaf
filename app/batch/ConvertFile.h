#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"
#include "app/batch/PhotoConverter.h"

class TImager;

/// Converts one photo on the imaging component: load, size rule, effects in their fixed order,
/// save options, progressive JPEG save. Not converted when the load set the I/O object's Aborting
/// flag: the file is then not saved, because the component would write the previous photo under
/// the new name; nor when the save set the flag, nor (with RefuseDamagedSources) when the
/// reader found the source damaged. The result carries the reader's damage reason, the sides
/// read and written, the bytes and the time taken. With SkipUpToDate a target not older than
/// its source is left alone; with PlanOnly the source is read and the written size worked out,
/// but nothing is written. Errors raised by the load, the processing or the save propagate.
TPhotoResult ConvertFile(TImager& imager, const ConversionSettings& settings,
                         const std::string& source, const std::string& target);

/// Converts one job of a run: creates the target's folder (unless PlanOnly), then the file.
/// With SkipUpToDate a job whose target a later job replaces is left alone and counted as up to
/// date: judging it by the target would let an earlier source's fresh output hide a later one.
TPhotoResult ConvertJob(TImager& imager, const ConversionSettings& settings, const TPhotoJob& job);
