#pragma once

#include <vector>

#include "imaging/io/TImgMarkerList.h"

/// The colour space a JPEG file is written in, as an ICC profile header names it.
enum class TJpegWrittenSpace { Rgb, Gray, Cmyk };

/// Indices, in order, of the kept markers that may go into a file written in space. Left out:
/// APP14 (the library writes its own), JFIF/JFXX APP0 (a copied header would make an RGB file
/// decode as YCbCr), the APP2 multi-picture index (its images are not written) and an ICC
/// profile whose header names another known colour space.
std::vector<int> JpegMarkersToWrite(const TImgMarkerList& markers, TJpegWrittenSpace space);
