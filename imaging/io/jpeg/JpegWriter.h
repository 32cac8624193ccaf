#pragma once

class TByteStream;
class TImgBitmap;
class TRowSource;
class TIOParamsVals;
struct TProgressRecord;

/// Writes bitmap (pfBGR24, or pfBit1 through a 24-bit copy) as one JPEG datastream at the
/// stream's position, with the options and kept markers of params. An empty image or a short
/// write sets the abort flag; a fatal library error sets it and raises EImgJpegException.
void WriteJpegImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params,
                    TProgressRecord& progress);

/// Writes rows (pfBGR24) in the same way, asking for each once, from the top down.
void WriteJpegRows(TByteStream& stream, TRowSource& rows, TIOParamsVals& params,
                   TProgressRecord& progress);
