#include "imaging/io/tiff/TiffJpegBlocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "imaging/io/tiff/TiffVars.h"
#include "platform/MemoryStream.h"

namespace {

TMemoryStream StreamOf(std::span<const std::uint8_t> bytes) {
  return TMemoryStream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void SwapRedAndBlue(TImgBitmap& bitmap) {
  const auto width = static_cast<std::size_t>(bitmap.Width());
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::uint8_t* pixel = bitmap.RowPtr(y);
    for (std::size_t x = 0; x < width; ++x, pixel += 3)
      std::swap(pixel[0], pixel[2]);
  }
}

}  // namespace

TTiffJpegBlocks::TTiffJpegBlocks(const TTIFFVars& vars, TImgBitmap& bitmap,
                                 TProgressRecord& progress, std::size_t blockCount)
    : vars_(vars), bitmap_(bitmap), progress_(progress), singleBlock_(blockCount == 1) {}

void TTiffJpegBlocks::Decode(std::span<const std::uint8_t> data, int firstRow, int x,
                             int blockWidth) {
  if (bitmap_.PixelFormat() != pfBGR24) {
    progress_.Abort();
    return;
  }
  TMemoryStream block = StreamOf(data);
  TMemoryStream tables = StreamOf(vars_.jpegTables);
  const bool hasTables = !vars_.jpegTables.empty();
  // RGB data is stored without a colour transform; the tables-less kind says so itself.
  const bool rgb = hasTables && vars_.photometric == tiffphotometric::kRgb;
  TIOParamsVals scratch;
  TImgBitmap decoded;
  TProgressRecord blockProgress = progress_;
  if (!singleBlock_)
    blockProgress.handler = nullptr;
  ReadJpegImage(block, hasTables ? &tables : nullptr, decoded, rgb, false, blockProgress, scratch);
  if (!singleBlock_) {
    ++progress_.rowsDone;
    if (progress_.handler)
      progress_.handler(progress_.sender,
                        static_cast<int>(progress_.rowsDone * progress_.perBlock));
  }
  if (decoded.PixelFormat() != pfBGR24)
    return;
  if (rgb)
    SwapRedAndBlue(decoded);
  const int columns = std::min({decoded.Width(), blockWidth, bitmap_.Width() - x});
  const int rows = std::min(decoded.Height(), bitmap_.Height() - firstRow);
  const auto bytes = static_cast<std::size_t>(std::max(columns, 0)) * 3;
  for (int y = 0; y < rows; ++y)
    std::memcpy(bitmap_.RowPtr(firstRow + y) + static_cast<std::size_t>(x) * 3, decoded.RowPtr(y),
                bytes);
}

void ReadTiffOldJpeg(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress) {
  const std::size_t offset = vars.jpegInterchangeOffset;
  if (offset >= vars.data.size()) {
    progress.Abort();
    return;
  }
  const std::size_t rest = vars.data.size() - offset;
  const std::size_t length = vars.jpegInterchangeLength > 0
                                 ? std::min<std::size_t>(vars.jpegInterchangeLength, rest)
                                 : rest;
  TMemoryStream stream = StreamOf(vars.data.subspan(offset, length));
  TIOParamsVals scratch;
  ReadJpegImage(stream, nullptr, bitmap, false, false, progress, scratch);
}
