#include "imaging/io/ClaimedImage.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"

namespace {

constexpr std::int64_t kToleratedShortfall = 64 * 1024;
constexpr std::int64_t kPixelsPerRunCode = 255;

std::int64_t CeilDiv(std::int64_t value, std::int64_t divisor) {
  return value / divisor + (value % divisor != 0 ? 1 : 0);
}

}  // namespace

std::int64_t LeastUncompressedBytes(std::int64_t rowBytes, std::int64_t rows) {
  const auto total = CheckedMul(rowBytes, rows);
  if (!total)
    return INT64_MAX;
  const std::int64_t tolerated = std::max(*total / 8, kToleratedShortfall);
  return *total > tolerated ? *total - tolerated : 0;
}

std::int64_t LeastRunLengthBytes(std::int64_t width, std::int64_t rows) {
  const auto codes = CheckedMul(CeilDiv(std::max<std::int64_t>(width, 0), kPixelsPerRunCode),
                                std::max<std::int64_t>(rows, 0));
  return codes && *codes <= INT64_MAX / 2 ? *codes * 2 / 8 : INT64_MAX;
}

bool ClaimedImageFits(const TClaimedImage& claim) {
  return ImageSizeAllowed(claim.width, claim.height, FormatBitsPerPixel(claim.format)) &&
         claim.leastDataBytes <= claim.dataBytesLeft;
}

bool AllocateClaimedImage(TImgBitmap& bitmap, const TClaimedImage& claim,
                          TProgressRecord& progress) {
  if (!ClaimedImageFits(claim)) {
    progress.Abort();
    return false;
  }
  try {
    bitmap.Allocate(static_cast<int>(claim.width), static_cast<int>(claim.height), claim.format);
  } catch (const EImgOutOfMemory&) {
    progress.Abort();
    return false;
  } catch (const std::bad_alloc&) {
    progress.Abort();
    return false;
  }
  return true;
}
