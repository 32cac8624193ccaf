#pragma once

#include <cstdint>
#include <span>

class TByteStream;
class TImgBitmap;
class TIOParamsVals;
struct TProgressRecord;

/// Which image family the `ftyp` box at the start of a file names among its brands.
enum class THeifBrand { None, Heif, Avif };

/// The family of the file that begins with these bytes: AVIF when a brand names AV1 images,
/// HEIF when one names HEVC images or only the generic image brands.
THeifBrand HeifBrandOf(std::span<const std::uint8_t> head);

/// The longest side libheif may decode, for the primary image and every image it is made of
/// (grid tiles, overlay layers): a file of a few kilobytes can claim gigabytes of pixels. The
/// default, 16384, holds every camera's and phone's photos and panoramas. Library-wide: set
/// once at start-up (the fuzz target lowers it), only read afterwards.
void SetLargestHeifSide(int side);

/// Reads the primary image of the HEIF or AVIF file at the stream's position through libheif,
/// with the file's rotation, mirroring and cropping applied as the library applies them, into
/// a pfBGR24 container (alpha composited on white). The EXIF block goes through the EXIF parse
/// and an ICC profile is kept for the JPEG save; nclx colour data steers the library's own
/// conversion to RGB. With paramsOnly the container is left alone. What libheif refuses ends
/// with the abort flag.
void ReadHeifImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                   TProgressRecord& progress);
