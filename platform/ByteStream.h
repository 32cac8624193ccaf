#pragma once

#include <cstddef>
#include <cstdint>

/// A readable, writable, seekable sequence of bytes with a position and a size.
/// Codecs work on streams only, relative to the position at which they were called.
class TByteStream {
 public:
  enum class Origin { Begin, Current, End };

  virtual ~TByteStream() = default;
  TByteStream() = default;
  TByteStream(const TByteStream&) = delete;
  TByteStream& operator=(const TByteStream&) = delete;

  /// Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  /// Writes count bytes; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  /// Moves the position; returns the new position, or -1 when the stream cannot seek there.
  virtual std::int64_t Seek(std::int64_t offset, Origin origin) = 0;
  virtual std::int64_t Size() = 0;

  std::int64_t Position() { return Seek(0, Origin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, Origin::Begin); }
  /// Reads exactly count bytes or reports false.
  bool ReadExact(void* buffer, std::int64_t count) { return Read(buffer, count) == count; }
  bool WriteExact(const void* buffer, std::int64_t count) { return Write(buffer, count) == count; }
};
