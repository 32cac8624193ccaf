#pragma once

class TIOParamsVals;

/// What a written photo carries of its source's metadata.
enum class TMetadataChoice {
  Keep,   ///< the EXIF block rebuilt for the new image, the other markers as they came
  All,    ///< as Keep, and also the GPS directory and a TIFF page's XMP packet
  Strip,  ///< no EXIF, IPTC, XMP or comment: only the ICC profile, so colours stay right
};

/// Sets up a loaded photo's parameters so that the JPEG save writes what choice asks for.
void ApplyMetadataChoice(TMetadataChoice choice, TIOParamsVals& params);
