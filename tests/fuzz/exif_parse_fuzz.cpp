// Feeds arbitrary EXIF blocks to the EXIF parse, and what it read to the serialiser.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "JpegSegment.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/exif/ExifBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> segment = SegmentOrInput({data, size}, 0xE1);
  // The block check itself is trivial: every input gets past it.
  std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
  if (IsExifData(segment))
    block.clear();
  block.insert(block.end(), segment.begin(), segment.end());
  TIOParamsVals params;
  if (!ParseExif(block, params))
    return 1;
  unsigned sum = 0;
  if (params.ExifThumbnail) {
    TImgBitmap& thumbnail = *params.ExifThumbnail;
    for (int y = 0; y < thumbnail.Height(); ++y) {
      const std::uint8_t* row = thumbnail.RowPtr(y);
      for (int x = 0; x < thumbnail.RowLength(); ++x)
        sum += row[x];
    }
  }
  const std::vector<std::uint8_t> rebuilt = SerializeExif(params, 640, 480);
  for (std::uint8_t byte : rebuilt)
    sum += byte;
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
