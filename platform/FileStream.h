#pragma once

#include <cstdio>
#include <string>

#include "platform/ByteStream.h"

/// A byte stream over a file.
class TFileStream : public TByteStream {
 public:
  enum class Mode {
    OpenRead,   ///< existing file, read only (others may still read it)
    Create,     ///< new or truncated file, read and write
    OpenWrite,  ///< existing file, read and write
  };

  /// Opens the file; IsOpen() tells whether it worked.
  TFileStream(const std::string& path, Mode mode);
  ~TFileStream() override;

  bool IsOpen() const { return file_ != nullptr; }
  /// Flushes and closes; false when a buffered write failed.
  bool Close();
  /// Flushes the buffer and asks the system to put the file's data on the disk; false when
  /// either fails (a full disk shows here at the latest).
  bool Sync();

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, Origin origin) override;
  std::int64_t Size() override;

 private:
  std::FILE* file_ = nullptr;
};
