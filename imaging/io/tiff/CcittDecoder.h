#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/io/tiff/CcittBitReader.h"

/// The CCITT codings of TIFF: modified Huffman (compression 2), Group 3 one- and
/// two-dimensional (compression 3) and Group 4 (compression 4).
enum class TCcittScheme { ModifiedHuffman, Group3OneD, Group3TwoD, Group4 };

/// Decodes the rows of one CCITT strip or tile. Rows come out with set bits for white, most
/// significant bit first. Damaged codes are skipped, runs are clipped at the row end, and the
/// reference line never reaches past the row, so no input drives a write out of bounds.
class TCcittDecoder {
 public:
  TCcittDecoder(std::span<const std::uint8_t> data, int width, TCcittScheme scheme, bool fillBits);

  /// Writes the next row into row (at least (width + 7) / 8 bytes). A row the data never
  /// reaches is all white.
  void NextRow(std::span<std::uint8_t> row);

 private:
  void DecodeOneDimensional();
  void DecodeTwoDimensional();
  /// Reads one run of a colour: makeup codes and a terminating code; -1 when none is found.
  int ReadRun(bool black);
  /// Reads an uncompressed-mode stretch from position; returns the position after it and the
  /// colour that follows in black.
  int ReadUncompressed(int position, bool& black);
  /// Skips an end-of-line code (with any fill zeros before it) at the position; false when
  /// none stands there.
  bool SkipEndOfLine();
  bool AtEndOfLine() const;
  void AddChange(int position);
  std::size_t FindB1(int a0, bool black, std::size_t hint) const;
  void Render(std::span<std::uint8_t> row) const;

  TCcittBitReader reader_;
  int width_;
  TCcittScheme scheme_;
  bool fillBits_;
  std::vector<int> reference_;  ///< changing elements of the previous row, then sentinels
  std::vector<int> coding_;     ///< changing elements of the row being decoded
};
