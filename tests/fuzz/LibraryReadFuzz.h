#pragma once

// The body of the fuzz targets of the readers over Debian's libraries: the library does the
// decoding; what is fuzzed is the adapter's use of it (buffers, strides, sizes, metadata
// blocks). Each input is read for its parameters first, then, within a lowered size budget,
// decoded, and every byte of the container is touched so that a bad row shows at once.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "platform/MemoryStream.h"

namespace fuzzread {

// Far below what the readers accept, so that the fuzzer's memory limit is not the first to go.
constexpr std::int64_t kMaxPixels = std::int64_t{4096} * 4096;

template <typename Reader>
int ReadOnce(Reader read, const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TImgBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  read(stream, bitmap, params, true, progress);
  if (aborting || std::int64_t{params.Width} * params.Height > kMaxPixels)
    return 0;
  stream.SetPosition(0);
  read(stream, bitmap, params, false, progress);
  if (aborting)
    return 0;
  volatile std::uint8_t sink = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.RowLength(); ++x)
      sink = sink ^ row[x];
  }
  return 0;
}

}  // namespace fuzzread
