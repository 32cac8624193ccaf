#pragma once

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// Reads the PNG image at the stream's position through libpng: every bit depth and colour type,
/// 16-bit samples scaled to 8, palette and low-depth gray expanded, interlaced or not. Gray
/// images fill a pfGray8 container, the rest pfBGR24; transparency is composited on white.
/// The eXIf chunk goes through the EXIF parse and the iCCP profile is kept for the JPEG save.
/// With paramsOnly the container is left alone. Whatever libpng refuses (a damaged or cut-off
/// file) ends with the abort flag.
void ReadPngImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                  TProgressRecord& progress);
