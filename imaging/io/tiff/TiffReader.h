#pragma once

#include <memory>

class TByteStream;
class TImgBitmap;
class TImgMask;
class TIOParamsVals;
struct TProgressRecord;

/// Reads page params.ImageIndex of the TIFF file at the stream's position into the container
/// and fills the parameters; imageCount receives the number of pages. allowEmpty lets a page
/// of width or height 0 pass; ignoreAlpha builds no mask; relative takes offsets from the
/// stream's position (else from its start); alphaMask, when given, receives the alpha mask
/// of pages with alpha samples; paramsOnly stops before any pixel is decoded. Failures
/// (an unknown byte order, a page beyond the last, differing bits per sample, a size the data
/// cannot fill, a layout this reader does not decode, corrupt data) set the abort flag; rows
/// that the data never reaches read as zero.
void ReadTiffImage(TImgBitmap& bitmap, TByteStream& stream, int& imageCount, bool allowEmpty,
                   bool ignoreAlpha, bool relative, std::unique_ptr<TImgMask>* alphaMask,
                   bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params);
