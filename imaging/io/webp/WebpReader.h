#pragma once

#include <cstdint>
#include <span>

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// "RIFF", a length, "WEBP": the start of a WebP file.
bool HasWebpSignature(std::span<const std::uint8_t> head);

/// Reads the WebP image at the stream's position through libwebp into a pfBGR24 container:
/// lossy, lossless, with alpha (composited on white), or the first frame of an animation. The
/// EXIF chunk goes through the EXIF parse and the ICCP profile is kept for the JPEG save. With
/// paramsOnly the container is left alone. What libwebp refuses ends with the abort flag.
void ReadWebpImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                   TProgressRecord& progress);
