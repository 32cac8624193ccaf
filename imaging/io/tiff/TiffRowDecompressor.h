#pragma once

#include <cstdint>
#include <memory>
#include <span>

struct TTIFFVars;

/// Produces the decompressed rows of one strip, tile or plane strip, one call per row.
class TTiffRowDecompressor {
 public:
  virtual ~TTiffRowDecompressor() = default;
  /// Fills row with the next row. Bytes that the data does not reach are zero. False when the
  /// data is corrupt; the rows before stay valid.
  virtual bool NextRow(std::span<std::uint8_t> row) = 0;
};

/// True when rows of this compression are decoded by a TTiffRowDecompressor.
bool TiffRowCompressionSupported(std::uint32_t compression);

/// The decompressor for a block of data whose rows are width pixels and rowBytes bytes long,
/// or null when the compression is not decoded row by row.
std::unique_ptr<TTiffRowDecompressor> MakeTiffRowDecompressor(const TTIFFVars& vars,
                                                              std::span<const std::uint8_t> block,
                                                              int width, std::size_t rowBytes);
