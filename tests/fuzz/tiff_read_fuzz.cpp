// Feeds arbitrary bytes to the TIFF reader, for the first pages, in both pixel format modes,
// and touches every decoded byte and mask value so that a bad row address shows at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/tiff/TiffReader.h"
#include "platform/MemoryStream.h"

namespace {

// Keeps a small input from asking for a gigabyte: the reader itself allows far more.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TImgBitmap bitmap;
  TIOParamsVals params;
  params.NativePixelFormat = size % 2 == 1;
  params.TiffApplyOrientation = size % 3 == 1;
  params.ImageIndex = static_cast<int>(size % 5 == 4);
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  int pages = 0;
  std::unique_ptr<TImgMask> mask;

  ReadTiffImage(bitmap, stream, pages, false, false, true, &mask, true, progress, params);
  if (aborting || std::int64_t{params.Width} * params.Height > kMaxFuzzPixels)
    return 0;

  stream.SetPosition(0);
  ReadTiffImage(bitmap, stream, pages, false, size % 7 == 3, true, &mask, false, progress, params);
  volatile std::uint8_t sink = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.RowLength(); ++x)
      sink = sink ^ row[x];
  }
  if (mask != nullptr) {
    for (int y = 0; y < mask->Height(); ++y)
      for (int x = 0; x < mask->Width(); ++x)
        sink = sink ^ mask->GetPixel(x, y);
  }
  return 0;
}
