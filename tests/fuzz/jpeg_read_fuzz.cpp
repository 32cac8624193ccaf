// Feeds arbitrary bytes to the JPEG reader. No size is skipped: the reader itself must refuse a
// header that claims more pixels than its data can fill. The same bytes are then read a row at a
// time, every other row asked for and the rest left to the finish: where both reads succeed,
// the rows asked for must be the whole read's.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "imaging/io/jpeg/JpegRowReader.h"
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

  TMemoryStream again(std::vector<std::uint8_t>(data, data + size));
  TIOParamsVals rowParams;
  bool rowsAborting = false;
  TProgressRecord rowProgress;
  rowProgress.aborting = &rowsAborting;
  TJpegRowReader reader(again, nullptr, false, rowProgress, rowParams);
  if (reader.Start(false)) {
    for (int y = 0; y < reader.Height(); y += 2) {
      const std::uint8_t* row = reader.Row(y);
      if (!aborting && !rowsAborting &&
          std::memcmp(row, bitmap.RowPtr(y), static_cast<std::size_t>(bitmap.Width()) * 3) != 0)
        std::abort();
    }
  }
  reader.Finish();
  if (!aborting && !rowsAborting && params.Damage.Reason != rowParams.Damage.Reason)
    std::abort();
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
