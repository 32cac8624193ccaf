#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/bmp/BmpReader.h"
#include "platform/MemoryStream.h"

/// One reader call on bytes in memory, with the container, parameters and abort flag it filled.
struct TBmpLoad {
  TImgBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRecord progress;

  TBmpLoad() { progress.aborting = &aborting; }

  /// Reads bytes positioned at offset `start` of the stream, with the stream's size as data size.
  void Read(const std::vector<std::uint8_t>& bytes, bool paramsOnly = false,
            bool noFileHeader = false, std::int64_t start = 0) {
    TMemoryStream stream(bytes);
    stream.SetPosition(start);
    ReadBmpImage(stream, bitmap, stream.Size(), params, progress, paramsOnly, noFileHeader);
  }

  std::array<std::uint8_t, 3> Bgr(int x, int y) {
    const std::uint8_t* p = bitmap.RowPtr(y) + x * 3;
    return {p[0], p[1], p[2]};
  }
  bool Bit(int x, int y) { return (bitmap.RowPtr(y)[x / 8] & (0x80 >> (x % 8))) != 0; }
};
