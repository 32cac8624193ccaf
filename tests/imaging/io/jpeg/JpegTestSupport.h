#pragma once

// Calls of the codec on in-memory data, shared by the codec's tests.

#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "imaging/io/jpeg/JpegWriter.h"
#include "platform/MemoryStream.h"

struct ReadResult {
  bool aborting = false;
  std::vector<int> percents;
};

inline ReadResult ReadJpegBytes(const std::vector<std::uint8_t>& bytes, TImgBitmap& bitmap,
                                TIOParamsVals& params, bool paramsOnly = false,
                                TByteStream* tables = nullptr) {
  ReadResult result;
  TMemoryStream stream(bytes);
  TProgressRecord progress;
  progress.aborting = &result.aborting;
  progress.handler = [&](void*, int per) { result.percents.push_back(per); };
  ReadJpegImage(stream, tables, bitmap, false, paramsOnly, progress, params);
  return result;
}

/// Writes bitmap with params; aborting reports the abort flag.
inline std::vector<std::uint8_t> WriteJpegBytes(TImgBitmap& bitmap, TIOParamsVals& params,
                                                bool* aborting = nullptr) {
  bool flag = false;
  TMemoryStream stream;
  TProgressRecord progress;
  progress.aborting = &flag;
  WriteJpegImage(stream, bitmap, params, progress);
  if (aborting != nullptr)
    *aborting = flag;
  return stream.Bytes();
}

/// Fills a pfBGR24 container from red, green, blue rows.
inline void FillFromRgb(TImgBitmap& bitmap, int width, int height,
                        const std::vector<std::uint8_t>& rgb) {
  bitmap.Allocate(width, height, pfBGR24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowPtr(y);
    const std::uint8_t* source = rgb.data() + static_cast<std::size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = source[x * 3 + 2];
      row[x * 3 + 1] = source[x * 3 + 1];
      row[x * 3 + 2] = source[x * 3];
    }
  }
}
