#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/io/ByteReader.h"

struct TTIFFVars;

/// Prepares decompressed rows for conversion, in this order: 4-bit samples split into one
/// byte each, 2-, 3-, 5-, 6- and 7-bit samples unpacked into one byte each, horizontal
/// differencing undone, and 4-bit gray moved into the high nibble.
class TTiffRowUnpacker {
 public:
  /// samplesPerPixel is that of one row as stored (1 for a plane of a planar image).
  TTiffRowUnpacker(const TTIFFVars& vars, int width, int samplesPerPixel);

  /// Bytes of one decompressed row.
  std::size_t RowBytes() const { return rowBytes_; }
  /// Post-processes a row of RowBytes() bytes, which may change in place.
  std::span<const std::uint8_t> Process(std::span<std::uint8_t> raw);

 private:
  void SplitNibbles(std::span<const std::uint8_t> raw);
  void UnpackSamples(std::span<const std::uint8_t> raw);
  void UndoPredictor(std::span<std::uint8_t> row) const;

  std::size_t width_;
  std::size_t samplesPerPixel_;
  std::uint32_t bitsPerSample_;
  TByteReader::Endian endian_;
  std::size_t rowBytes_;
  bool split_ = false;
  bool unpack_ = false;
  bool predictor_ = false;
  bool shiftGray_ = false;
  std::vector<std::uint8_t> unpacked_;
};
