#pragma once

#include <cstdint>

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// Reads a Windows or OS/2 bitmap from the stream's current position into the container and
/// fills the parameters. dataSize is the number of bytes that belong to the bitmap (0 or less
/// when unknown). paramsOnly fills the parameters and decodes nothing; noFileHeader says the
/// stream starts at the info header. Failure is reported through the progress record's
/// abort flag: a missing "BM" type, zero or impossible dimensions, and any bit count or
/// compression this reader does not decode, a claimed size the data left in the stream cannot
/// fill, and a container that cannot be allocated.
void ReadBmpImage(TByteStream& stream, TImgBitmap& bitmap, std::int64_t dataSize,
                  TIOParamsVals& params, TProgressRecord& progress, bool paramsOnly = false,
                  bool noFileHeader = false);
