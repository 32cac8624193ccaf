#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/io/tiff/TiffRowConverter.h"
#include "imaging/io/tiff/TiffRowUnpacker.h"

class TImgBitmap;
struct TProgressRecord;
struct TTIFFVars;

/// Decodes strips or tiles of one page: each row is decompressed, post-processed and
/// converted into the container at the block's place. Rows and columns beyond the image are
/// dropped. After every row the progress is reported and the abort flag ends the block.
class TTiffBlockDecoder {
 public:
  TTiffBlockDecoder(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress,
                    int blockWidth);

  bool Supported() const { return converter_.Supported(); }
  /// Decodes rows of the block that starts at row firstRow and pixel column x.
  void Decode(std::span<const std::uint8_t> data, int firstRow, int rows, int x);
  /// Decodes a strip of a planar 8-bit RGB page from its red, green and blue plane strips.
  void DecodePlanes(const std::array<std::span<const std::uint8_t>, 3>& planes, int firstRow,
                    int rows);

 private:
  /// Converts a post-processed row into the container; false when the walk is to stop.
  bool StoreRow(std::span<const std::uint8_t> row, int imageRow, int x);

  const TTIFFVars& vars_;
  TImgBitmap& bitmap_;
  TProgressRecord& progress_;
  int blockWidth_;
  int imageWidth_;
  int imageHeight_;
  TTiffRowConverter converter_;
  TTiffRowUnpacker unpacker_;
  std::vector<std::uint8_t> raw_;
  // Bit-reversed copies of the block (or of each plane) for fill order 2.
  std::array<std::vector<std::uint8_t>, 3> ordered_;
};
