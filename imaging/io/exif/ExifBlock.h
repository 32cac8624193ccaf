#pragma once

#include <cstdint>
#include <span>
#include <vector>

class TIOParamsVals;

/// True when APP1 marker data, read as a zero-terminated text, is "Exif".
bool IsExifData(std::span<const std::uint8_t> data);

/// Reads an APP1 EXIF block into the EXIF fields of params, both resolutions, the orientation
/// and ExifThumbnail. Data that is not EXIF changes nothing and answers false; a damaged block
/// keeps what could be read and still answers true.
bool ParseExif(std::span<const std::uint8_t> data, TIOParamsVals& params);

/// The APP1 payload rebuilt from the EXIF fields of params, with the saved image's size as the
/// pixel dimensions. Texts too long for one marker are shortened until the block fits.
std::vector<std::uint8_t> SerializeExif(const TIOParamsVals& params, int savedWidth,
                                        int savedHeight);
