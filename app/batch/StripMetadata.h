#pragma once

class TIOParamsVals;

/// Leaves nothing of a loaded photo's metadata for the JPEG save but its ICC profile: no EXIF
/// block, IPTC records, XMP packet, comment or other application marker, so that a photo can be
/// shared without its camera, owner or place, and its colours still show right.
void StripMetadataKeepingIcc(TIOParamsVals& params);
