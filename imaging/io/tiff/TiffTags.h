#pragma once

#include "imaging/io/tiff/TiffDirectory.h"
#include "imaging/io/tiff/TiffVars.h"

class TIOParamsVals;

/// Reads the image description of a directory into vars (defaults for missing tags) and
/// applies the bilevel fix. False when the bits per sample differ between samples.
bool ReadTiffVars(const TTiffDirectory& page, TTIFFVars& vars);

/// Fills the parameters from the directory and the vars: size, layout, texts, resolutions,
/// positions, colour data, colour map and the IPTC and annotation blocks.
void FillTiffParams(const TTiffDirectory& page, const TTIFFVars& vars, int imageCount,
                    TIOParamsVals& params);

/// Fills the EXIF values of the parameters from an EXIF directory.
void ReadTiffExifValues(const TTiffDirectory& exif, TIOParamsVals& params);
