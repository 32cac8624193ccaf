#pragma once

#include <cstdint>
#include <memory>
#include <span>

/// Inflates a zlib stream (TIFF compressions 8 and 32946) one row at a time.
class TTiffDeflateDecoder {
 public:
  explicit TTiffDeflateDecoder(std::span<const std::uint8_t> input);
  ~TTiffDeflateDecoder();
  TTiffDeflateDecoder(const TTiffDeflateDecoder&) = delete;
  TTiffDeflateDecoder& operator=(const TTiffDeflateDecoder&) = delete;

  /// Fills row with the next bytes of the stream; bytes after its end (or after data that
  /// stops early) are zero. False when the stream is corrupt.
  bool NextRow(std::span<std::uint8_t> row);

 private:
  struct TStream;
  std::unique_ptr<TStream> stream_;
};
