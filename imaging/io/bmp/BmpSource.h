#pragma once

#include <cstdint>
#include <span>

#include "platform/ByteStream.h"

/// The BMP reader's view of its stream: offsets count from where the bitmap starts, and a
/// read that finds too few bytes zero-fills the rest, so a short file decodes its missing
/// pixels as zero instead of leaving stale bytes in a buffer.
class TBmpSource {
 public:
  explicit TBmpSource(TByteStream& stream);

  /// Fills the whole buffer; bytes the stream does not have read as zero. Returns how many
  /// bytes came from the stream.
  std::int64_t Read(std::span<std::uint8_t> buffer);
  /// Reads the next 4 bytes as a little-endian value without moving the position.
  std::uint32_t PeekU32();
  void Skip(std::int64_t count);
  /// Moves to an offset from the start of the bitmap.
  void SeekTo(std::int64_t offset);
  /// Bytes from the current position to the start of the bitmap.
  std::int64_t Offset() const { return position_ - start_; }
  /// Bytes the stream still holds after the current position.
  std::int64_t Remaining() const;
  std::int64_t StreamSize() const { return size_; }

 private:
  TByteStream& stream_;
  std::int64_t start_ = 0;
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
};
