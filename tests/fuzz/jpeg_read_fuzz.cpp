// Feeds arbitrary bytes to the JPEG reader. No size is skipped: the reader itself must refuse a
// header that claims more pixels than its data can fill.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "platform/MemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TImgBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  ReadJpegImage(stream, nullptr, bitmap, false, false, progress, params);
  // Touch every decoded byte so that the sanitizer sees any row that was never written.
  unsigned sum = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.Width() * 3; ++x)
      sum += row[x];
  }
  for (int i = 0; i < params.JpegMarkers.Count(); ++i)
    sum += static_cast<unsigned>(params.JpegMarkers[i].data.size());
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
