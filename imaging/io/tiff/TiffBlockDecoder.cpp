#include "imaging/io/tiff/TiffBlockDecoder.h"

#include <algorithm>
#include <memory>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/tiff/TiffFillOrder.h"
#include "imaging/io/tiff/TiffRowDecompressor.h"
#include "imaging/io/tiff/TiffVars.h"

namespace {

std::size_t ByteOffset(TImgBitmapFormat format, int x) {
  const auto column = static_cast<std::size_t>(x);
  switch (format) {
    case pfBGR24:
      return column * 3;
    case pfBit1:
      return column / 8;
    case pfGray16:
      return column * 2;
    default:
      return column;
  }
}

}  // namespace

TTiffBlockDecoder::TTiffBlockDecoder(const TTIFFVars& vars, TImgBitmap& bitmap,
                                     TProgressRecord& progress, int blockWidth)
    : vars_(vars),
      bitmap_(bitmap),
      progress_(progress),
      blockWidth_(blockWidth),
      imageWidth_(bitmap.Width()),
      imageHeight_(bitmap.Height()),
      converter_(vars, bitmap.PixelFormat()),
      unpacker_(vars, blockWidth,
                vars.planarConfig == 2 ? 1 : static_cast<int>(vars.samplesPerPixel)) {
  raw_.resize(unpacker_.RowBytes());
}

bool TTiffBlockDecoder::StoreRow(std::span<const std::uint8_t> row, int imageRow, int x) {
  const int pixels = std::min(blockWidth_, imageWidth_ - x);
  std::uint8_t* alpha = nullptr;
  if (vars_.alphaMask != nullptr && !vars_.ignoreAlpha && vars_.alphaMask->Height() > imageRow)
    alpha = vars_.alphaMask->RowPtr(imageRow) + x;
  converter_.Convert(row, pixels, bitmap_.RowPtr(imageRow) + ByteOffset(bitmap_.PixelFormat(), x),
                     alpha);
  progress_.RowDone();
  return !progress_.Aborted();
}

void TTiffBlockDecoder::Decode(std::span<const std::uint8_t> data, int firstRow, int rows, int x) {
  std::unique_ptr<TTiffRowDecompressor> rowSource = MakeTiffRowDecompressor(
      vars_, InReadingOrder(data, vars_.fillOrder, ordered_[0]), blockWidth_, raw_.size());
  if (rowSource == nullptr) {
    progress_.Abort();
    return;
  }
  const int lastRow = std::min(firstRow + rows, imageHeight_);
  for (int imageRow = firstRow; imageRow < lastRow; ++imageRow) {
    if (!rowSource->NextRow(raw_)) {
      progress_.Abort();
      return;
    }
    if (!StoreRow(unpacker_.Process(raw_), imageRow, x))
      return;
  }
}

void TTiffBlockDecoder::DecodePlanes(const std::array<std::span<const std::uint8_t>, 3>& planes,
                                     int firstRow, int rows) {
  std::array<std::unique_ptr<TTiffRowDecompressor>, 3> sources;
  for (std::size_t plane = 0; plane < 3; ++plane) {
    sources[plane] = MakeTiffRowDecompressor(
        vars_, InReadingOrder(planes[plane], vars_.fillOrder, ordered_[plane]), blockWidth_,
        raw_.size());
    if (sources[plane] == nullptr) {
      progress_.Abort();
      return;
    }
  }
  const auto width = static_cast<std::size_t>(blockWidth_);
  std::vector<std::uint8_t> interleaved(width * 3);
  const int lastRow = std::min(firstRow + rows, imageHeight_);
  for (int imageRow = firstRow; imageRow < lastRow; ++imageRow) {
    for (std::size_t plane = 0; plane < 3; ++plane) {
      if (!sources[plane]->NextRow(raw_)) {
        progress_.Abort();
        return;
      }
      const std::span<const std::uint8_t> samples = unpacker_.Process(raw_);
      for (std::size_t i = 0; i < width; ++i)
        interleaved[i * 3 + plane] = samples[i];
    }
    if (!StoreRow(interleaved, imageRow, 0))
      return;
  }
}
