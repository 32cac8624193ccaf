#include "imaging/io/tiff/TiffJpegBlocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ByteReader.h"
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

// Whether the JPEG codec would take three components as RGB by itself, by the markers it
// decides on: a JFIF marker means YCbCr, an Adobe marker its transform flag, otherwise the
// component identifiers "R", "G", "B".
bool CodecSeesRgb(std::span<const std::uint8_t> block) {
  TByteReader reader(block, TByteReader::Endian::Big);
  if (reader.U16() != 0xFFD8)
    return false;
  bool jfif = false;
  int adobeTransform = -1;
  while (!reader.Overran()) {
    if (reader.U8() != 0xFF)
      return false;
    std::uint8_t marker = reader.U8();
    while (marker == 0xFF && !reader.Overran())
      marker = reader.U8();
    const std::size_t segmentStart = reader.Offset();
    const std::uint16_t length = reader.U16();
    if (length < 2)
      return false;
    const std::span<const std::uint8_t> segment = reader.View(length - 2u);
    const bool startOfFrame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (marker == 0xE0 && segment.size() >= 5 && std::memcmp(segment.data(), "JFIF", 5) == 0)
      jfif = true;
    if (marker == 0xEE && segment.size() >= 12 && std::memcmp(segment.data(), "Adobe", 5) == 0)
      adobeTransform = segment[11];
    if (startOfFrame) {
      if (jfif)
        return false;
      if (adobeTransform >= 0)
        return adobeTransform == 0;
      return segment.size() >= 15 && segment[5] == 3 && segment[6] == 'R' && segment[9] == 'G' &&
             segment[12] == 'B';
    }
    reader.Seek(segmentStart + length);
  }
  return false;
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
  // RGB pages hold RGB samples; unless their markers say so, the codec would take them for
  // YCbCr, so it is asked for the samples as they are.
  const bool rgb = vars_.photometric == tiffphotometric::kRgb && !CodecSeesRgb(data);
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
