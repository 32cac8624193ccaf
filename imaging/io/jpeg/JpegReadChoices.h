#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

class TIOParamsVals;

// What a read takes from the parameters and gives back to them before the library decodes.

/// Chooses the library's output colour space and records the file's in params; false for a
/// component layout the 24-bit container cannot hold. rawYCbCr asks for unconverted samples.
bool ApplyColorSpace(jpeg_decompress_struct& cinfo, bool rawYCbCr, TIOParamsVals& params);

/// The file's density as resolution in dots per inch, when it names a unit or none.
void ApplyDensity(const jpeg_decompress_struct& cinfo, TIOParamsVals& params);

/// The scale denominator asked for by params.JpegScale: 1, 2, 4 or 8 by code, or with code 0 the
/// smallest that keeps params.Width x params.Height.
int ScaleDenominator(const jpeg_decompress_struct& cinfo, const TIOParamsVals& params);
