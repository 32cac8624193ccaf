#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

/// The temporary file behind a container kept on disk: rows top-down, row r at r x row length.
/// Rows are fetched into buffers and written back when released. A failed read or write of a
/// row (a full disk, an I/O error) raises EImgFileError with the file's path and the system's
/// reason: pixels are never lost silently.
class TImgFileBuffer {
 public:
  TImgFileBuffer() = default;
  ~TImgFileBuffer();
  TImgFileBuffer(const TImgFileBuffer&) = delete;
  TImgFileBuffer& operator=(const TImgFileBuffer&) = delete;

  /// Creates the temporary file (prefix "qmimg") and sets its size; false when that fails.
  bool Create(std::int64_t size, const std::string& folder);
  /// Deletes the file and frees every fetched row without writing it back.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  std::int64_t FileSize() const { return size_; }
  const std::string& Path() const { return path_; }

  /// Fetches length bytes at offset into a new buffer (read from the file when readIt); the
  /// buffer is written back on release when writeBack. Returns the buffer's address. A row that
  /// is already fetched is handed out again (so two holders share one buffer).
  std::uint8_t* FetchRow(std::int64_t offset, std::int64_t length, bool readIt, bool writeBack);
  /// Writes back (if so fetched) and frees the buffer fetched at offset.
  void ReleaseRow(std::int64_t offset);
  void ReleaseAllRows();
  /// Writes back every fetched row marked for write-back, keeping the buffers.
  void FlushRows();
  bool IsFetched(std::int64_t offset) const { return rows_.count(offset) != 0; }

  /// Copies length bytes between the files of two stores through a 1 MiB buffer, or the whole
  /// file when both lengths match and the copy starts at 0.
  static bool CopyFile(TImgFileBuffer& source, std::int64_t sourceOffset, TImgFileBuffer& target,
                       std::int64_t targetOffset, std::int64_t length);
  /// Exchanges the two stores (used when a container hands its pixels to another).
  void Swap(TImgFileBuffer& other);

  /// Whole transfers; false on failure, with errno saying why.
  bool ReadAt(std::int64_t offset, void* buffer, std::int64_t length) const;
  bool WriteAt(std::int64_t offset, const void* buffer, std::int64_t length);

 private:
  void WriteOrThrow(std::int64_t offset, const void* buffer, std::int64_t length);
  /// Raises EImgFileError naming the file and the system's reason (error 0: end of file).
  [[noreturn]] void ThrowIoError(const std::string& what, int error) const;

  struct FetchedRow {
    std::vector<std::uint8_t> bytes;
    bool writeBack = false;
  };

  int fd_ = -1;
  std::int64_t size_ = 0;
  std::string path_;
  std::map<std::int64_t, FetchedRow> rows_;
  // A released row's node and buffer, reused by the next fetch so that a scan over the rows
  // does not allocate for every row.
  std::map<std::int64_t, FetchedRow>::node_type spare_;
};
