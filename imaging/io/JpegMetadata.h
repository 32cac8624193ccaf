#pragma once

#include <cstdint>
#include <vector>

class TIOParamsVals;

/// After a JPEG load: the IPTC records from the first APP13 marker and the EXIF fields from the
/// first EXIF APP1 marker of JpegMarkers.
void ImportJpegMetadata(TIOParamsVals& params);

/// After a TIFF load: the page's IPTC records as an APP13 marker in the Photoshop form and its
/// ICC profile as APP2 "ICC_PROFILE" markers, so that a scan's JPEG output keeps its captions and
/// colours as a camera JPEG's does. The JPEG writer leaves out a profile of another colour space.
void ImportTiffMetadata(TIOParamsVals& params);

/// After a PNG, WebP, HEIF or AVIF load: the file's EXIF block (an APP1 payload, see
/// ExifMarkerPayload) goes through the EXIF parse and is kept as the first APP1 marker, and its ICC
/// profile becomes APP2 "ICC_PROFILE" markers, as a camera JPEG's would be. Where the file stated
/// no resolution of its own (below 2), the EXIF one is taken.
void ImportEmbeddedMetadata(TIOParamsVals& params, std::vector<std::uint8_t> exifPayload,
                            const std::vector<std::uint8_t>& iccProfile);

/// Before a JPEG save: changed IPTC records replace the first APP13 marker (or are appended;
/// an empty list removes it), and with ExifPresent a rebuilt EXIF block replaces the first
/// EXIF APP1 marker. Other APP1 markers (XMP) stay as they are, after the EXIF block.
void ExportJpegMetadata(TIOParamsVals& params, int savedWidth, int savedHeight);
