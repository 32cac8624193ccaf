#pragma once

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// Decodes the JPEG at (or up to 99 bytes after) the stream's position into bitmap as pfBGR24
/// and fills params. tables, when given, is an abbreviated table-only datastream read first.
/// rawYCbCr delivers YCbCr samples unconverted; paramsOnly stops before any row is decoded.
/// Failure sets the progress record's abort flag; only a fatal library error in the tables
/// stream raises EImgJpegException.
void ReadJpegImage(TByteStream& stream, TByteStream* tables, TImgBitmap& bitmap, bool rawYCbCr,
                   bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params);
