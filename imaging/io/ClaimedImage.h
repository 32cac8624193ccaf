#pragma once

#include <cstdint>

#include "imaging/core/ImgTypes.h"

class TImgBitmap;
struct TProgressRecord;

/// What a reader knows of an image before it allocates a container for it: the size the file
/// claims, the container format it will fill, and how much pixel data could back the claim.
struct TClaimedImage {
  std::int64_t width = 0;
  std::int64_t height = 0;
  TImgBitmapFormat format = pfNoFormat;
  /// The fewest bytes the file's pixel data of that size can take (see the Least... helpers;
  /// a format's own rule, such as the JPEG binding's bits per block, works as well).
  std::int64_t leastDataBytes = 0;
  /// The bytes the file holds from where its pixel data starts.
  std::int64_t dataBytesLeft = 0;
};

/// Least bytes of rows stored as they are. A file cut off within its last eighth (or its last
/// 64 KiB, for small pictures) still reads, the missing rows filled with zero: an interrupted
/// copy keeps what it has. Anything shorter cannot be a picture of that size.
std::int64_t LeastUncompressedBytes(std::int64_t rowBytes, std::int64_t rows);

/// Least bytes of a run-length stream that fills rows of that width: a code paints at most 255
/// pixels in two bytes. Line ends and deltas may leave seven eighths of the picture to the zero
/// fill; a stream shorter than that is a claim, not a picture.
std::int64_t LeastRunLengthBytes(std::int64_t width, std::int64_t rows);

/// True when the container for the claim can exist at all and the data left can fill it.
bool ClaimedImageFits(const TClaimedImage& claim);

/// The one way a reader gets its container: refuses a claim that does not fit, and turns a
/// failed allocation into the abort flag, so that a bad file costs neither memory nor the run.
/// False (abort flag set) when the reader must stop.
bool AllocateClaimedImage(TImgBitmap& bitmap, const TClaimedImage& claim,
                          TProgressRecord& progress);
