#pragma once

#include <cstdint>
#include <span>

class TImgBitmap;
class TBmpColorTable;
struct TProgressRecord;

/// Where run-length decoding writes: a container already allocated at width x height, in
/// pfPalette8 (native, indices) or pfBGR24 (palette entries).
struct TBmpRleTarget {
  TImgBitmap& bitmap;
  int width = 0;
  int height = 0;
  bool topDown = false;
  bool native = false;
  const TBmpColorTable& colors;
  TProgressRecord& progress;
};

/// Decodes 8-bit run-length data. Pixels past a row's right edge are dropped. False when the
/// data ran out while rows below the top one were still to come.
bool DecodeBMPRLE8(std::span<const std::uint8_t> data, const TBmpRleTarget& target);

/// Decodes 4-bit run-length data, as DecodeBMPRLE8 does.
bool DecodeBMPRLE4(std::span<const std::uint8_t> data, const TBmpRleTarget& target);
