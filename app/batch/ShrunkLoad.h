#pragma once

#include <string>

#include "app/batch/ConversionSettings.h"
#include "app/batch/SizeRule.h"

class TIOParamsVals;

/// For as long as it lives, asks the JPEG reader for the scale that ShrinkOnLoad chooses for the
/// source: read from the source's header alone, the full size the size rule works from (with
/// AutoRotate, the scale that serves the photo either way up). A dry run, a source that is no
/// readable JPEG or a rule that keeps more than half is read whole.
/// The reader is asked for the full size again when it ends, even through an error.
class TShrunkLoad {
 public:
  TShrunkLoad(const ConversionSettings& settings, const std::string& source, TIOParamsVals& params);
  ~TShrunkLoad();
  TShrunkLoad(const TShrunkLoad&) = delete;
  TShrunkLoad& operator=(const TShrunkLoad&) = delete;

 private:
  TIOParamsVals& params_;
};

/// The size rule for a photo decoded shrunk: worked out on its full size and asked of the
/// decoded image as both sides.
ResampleRequest ShrunkRequest(const ConversionSettings& settings, int fullWidth, int fullHeight);
