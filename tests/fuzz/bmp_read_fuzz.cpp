// Feeds arbitrary bytes to the BMP reader, with and without a file header, in both pixel
// format modes, and touches every decoded byte so that a bad row address shows at once.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/bmp/BmpReader.h"
#include "platform/MemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  const bool noFileHeader = size > 0 && data[0] != 'B';
  TImgBitmap bitmap;
  TIOParamsVals params;
  params.NativePixelFormat = size % 2 == 1;
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;

  ReadBmpImage(stream, bitmap, stream.Size(), params, progress, true, noFileHeader);
  if (aborting)
    return 0;

  stream.SetPosition(0);
  ReadBmpImage(stream, bitmap, stream.Size(), params, progress, false, noFileHeader);
  volatile std::uint8_t sink = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.RowLength(); ++x)
      sink = sink ^ row[x];
  }
  return 0;
}
